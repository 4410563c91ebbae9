#include "animation/ChunkName.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace tavorin::animation {

HRESULT ReadChunkName(RunReader& in, DWORD size, std::unique_ptr<char[]>* out) {
  HRESULT hr = in.CheckPayload(size, 1);
  if (FAILED(hr)) return hr;
  in.Announce(size);
  std::string text;
  char piece[4096];
  for (DWORD left = size; left > 0;) {
    const DWORD count = std::min<DWORD>(left, sizeof piece);
    if (FAILED(hr = in.ReadBytes(piece, count))) return hr;
    text.append(piece, count);
    left -= count;
  }
  const size_t length = text.find('\0');
  if (length == std::string::npos) return E_FAIL;
  return CopyName(text.c_str(), out);
}

HRESULT CopyName(const char* text, std::unique_ptr<char[]>* out) {
  if (text == nullptr) return E_POINTER;
  const size_t length = std::strlen(text);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy.get(), text, length + 1);
  *out = std::move(copy);
  return S_OK;
}

void WriteChunkName(RunWriter& out, DWORD tag, const char* name) {
  const char* text = name != nullptr ? name : "";
  const DWORD length = DWORD(std::strlen(text)) + 1;
  out.Header(tag, length);
  out.Bytes(text, length);
}

}  // namespace tavorin::animation
