// Explicit little-endian encoding of the integers and chunk tags in archive
// and chunk files, independent of the host's byte order and struct padding.
#pragma once

#include <windows.h>

namespace tavorin::pack {

inline DWORD LoadLe32(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
         static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
}

inline ULONGLONG LoadLe64(const BYTE* bytes) {
  return static_cast<ULONGLONG>(LoadLe32(bytes)) | static_cast<ULONGLONG>(LoadLe32(bytes + 4))
                                                       << 32;
}

inline void StoreLe32(BYTE* bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

inline void StoreLe64(BYTE* bytes, ULONGLONG value) {
  StoreLe32(bytes, static_cast<DWORD>(value));
  StoreLe32(bytes + 4, static_cast<DWORD>(value >> 32));
}

// A tag's four characters as the 32-bit word they read as: the first
// character in the low byte.
constexpr DWORD MakeTag(const char (&text)[5]) {
  return static_cast<DWORD>(static_cast<BYTE>(text[0])) |
         static_cast<DWORD>(static_cast<BYTE>(text[1])) << 8 |
         static_cast<DWORD>(static_cast<BYTE>(text[2])) << 16 |
         static_cast<DWORD>(static_cast<BYTE>(text[3])) << 24;
}

}  // namespace tavorin::pack
