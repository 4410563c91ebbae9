#include "animation/TrackIo.h"

#include <cstring>

namespace tavorin::animation {

float LoadF32(const BYTE* p) {
  const DWORD bits = LoadU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void StoreF32(BYTE* p, float v) {
  DWORD bits;
  std::memcpy(&bits, &v, sizeof bits);
  StoreU32(p, bits);
}

HRESULT RunReader::ReadHeader(DWORD* tag, DWORD* size) {
  BYTE header[kChunkHeaderSize];
  Announce(kChunkHeaderSize);
  const HRESULT hr = ReadBytes(header, kChunkHeaderSize);
  if (FAILED(hr)) return hr;
  *tag = LoadU32(header);
  *size = LoadU32(header + 4);
  return S_OK;
}

void RunReader::Announce(DWORD length) {
  if (length > 0 && length <= Remaining()) m_reader->Prefetch(length);
}

HRESULT RunReader::ReadBytes(void* data, DWORD length) {
  if (length > Remaining()) return E_FAIL;
  const DWORD got = m_reader->Read(data, length);
  m_consumed += got <= length ? got : length;
  return got == length ? S_OK : E_FAIL;
}

HRESULT RunReader::ReadU16(WORD* value) {
  BYTE bytes[2];
  const HRESULT hr = ReadBytes(bytes, sizeof bytes);
  if (SUCCEEDED(hr)) *value = LoadU16(bytes);
  return hr;
}

HRESULT RunReader::ReadU32(DWORD* value) {
  BYTE bytes[4];
  const HRESULT hr = ReadBytes(bytes, sizeof bytes);
  if (SUCCEEDED(hr)) *value = LoadU32(bytes);
  return hr;
}

HRESULT RunReader::ReadI32(INT* value) {
  DWORD bits = 0;
  const HRESULT hr = ReadU32(&bits);
  if (SUCCEEDED(hr)) *value = INT(bits);
  return hr;
}

HRESULT RunReader::ReadF32(float* value) {
  BYTE bytes[4];
  const HRESULT hr = ReadBytes(bytes, sizeof bytes);
  if (SUCCEEDED(hr)) *value = LoadF32(bytes);
  return hr;
}

HRESULT RunReader::Skip(DWORD length) {
  if (length > Remaining()) return E_FAIL;
  if (length == 0) return S_OK;
  const ULONGLONG before = m_reader->Tell64();
  const LONGLONG after = m_reader->Seek64(LONGLONG(length), 1);
  if (after < 0 || ULONGLONG(after) != before + length) return E_FAIL;
  m_consumed += length;
  return S_OK;
}

HRESULT RunReader::CheckPayload(DWORD size, DWORD width) const {
  return size >= width && size <= Remaining() ? S_OK : E_FAIL;
}

void RunWriter::Bytes(const void* data, DWORD length) {
  m_written += m_writer != nullptr ? m_writer->Write(data, length) : length;
}

void RunWriter::Header(DWORD tag, DWORD size) {
  BYTE bytes[kChunkHeaderSize];
  StoreU32(bytes, tag);
  StoreU32(bytes + 4, size);
  Bytes(bytes, sizeof bytes);
}

void RunWriter::U16(WORD value) {
  BYTE bytes[2];
  StoreU16(bytes, value);
  Bytes(bytes, sizeof bytes);
}

void RunWriter::U32(DWORD value) {
  BYTE bytes[4];
  StoreU32(bytes, value);
  Bytes(bytes, sizeof bytes);
}

void RunWriter::F32(float value) {
  BYTE bytes[4];
  StoreF32(bytes, value);
  Bytes(bytes, sizeof bytes);
}

}  // namespace tavorin::animation
