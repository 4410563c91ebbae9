#include "animation/SurfaceRunReader.h"

#include <algorithm>
#include <cstring>

HRESULT SurfaceRunReader::ReadHeader(DWORD* tag, DWORD* size) {
  if (Remaining() < 8) return E_FAIL;
  HRESULT hr = ReadDword(tag);
  if (SUCCEEDED(hr)) hr = ReadDword(size);
  return hr;
}

HRESULT SurfaceRunReader::ReadBytes(void* out, DWORD count) {
  if (count > Remaining()) return E_FAIL;
  DWORD delivered = m_reader->Read(out, count);
  m_consumed += std::min(delivered, count);
  return delivered == count ? S_OK : E_FAIL;
}

HRESULT SurfaceRunReader::ReadWord(WORD* out) {
  BYTE bytes[2];
  HRESULT hr = ReadBytes(bytes, 2);
  if (SUCCEEDED(hr)) *out = WORD(bytes[0] | bytes[1] << 8);
  return hr;
}

HRESULT SurfaceRunReader::ReadDword(DWORD* out) {
  BYTE bytes[4];
  HRESULT hr = ReadBytes(bytes, 4);
  if (SUCCEEDED(hr)) {
    *out = DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
  }
  return hr;
}

HRESULT SurfaceRunReader::ReadFloat(FLOAT* out) {
  DWORD bits;
  HRESULT hr = ReadDword(&bits);
  if (SUCCEEDED(hr)) std::memcpy(out, &bits, 4);
  return hr;
}

HRESULT SurfaceRunReader::ReadField(void* out, DWORD width, DWORD size) {
  if (size < width) return E_FAIL;
  HRESULT hr;
  if (width == 2) {
    WORD value;
    hr = ReadWord(&value);
    if (SUCCEEDED(hr)) std::memcpy(out, &value, 2);
  } else if (width == 4) {
    DWORD value;
    hr = ReadDword(&value);
    if (SUCCEEDED(hr)) std::memcpy(out, &value, 4);
  } else {
    hr = ReadBytes(out, width);
  }
  return SUCCEEDED(hr) ? Skip(size - width) : hr;
}

HRESULT SurfaceRunReader::ReadString(std::string* out, DWORD size) {
  if (size > Remaining()) return E_FAIL;
  std::string text;
  char piece[4096];
  for (DWORD left = size; left > 0;) {
    DWORD count = std::min<DWORD>(left, sizeof(piece));
    HRESULT hr = ReadBytes(piece, count);
    if (FAILED(hr)) return hr;
    text.append(piece, count);
    left -= count;
  }
  text.resize(std::strlen(text.c_str()));
  out->swap(text);
  return S_OK;
}

HRESULT SurfaceRunReader::Skip(DWORD count) {
  if (count > Remaining()) return E_FAIL;
  if (count == 0) return S_OK;
  if (m_reader->Seek64(LONGLONG(count), 1) < 0) return E_FAIL;
  m_consumed += count;
  return S_OK;
}

HRESULT SurfaceRunReader::Account(DWORD count) {
  if (count > Remaining()) return E_FAIL;
  m_consumed += count;
  return S_OK;
}
