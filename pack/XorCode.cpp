#include "pack/XorCode.h"

#include <cstdint>
#include <cstring>

namespace tavorin::pack {

void ApplyXorCode(BYTE* data, size_t count, const BYTE code[kXorCodeSize], ULONGLONG offset) {
  // The code rotated so that its first byte belongs to data[0]; from there on
  // every 32-byte block of the data meets the same four words.
  BYTE rotated[kXorCodeSize];
  for (DWORD k = 0; k < kXorCodeSize; ++k) rotated[k] = code[(offset + k) % kXorCodeSize];
  uint64_t words[kXorCodeSize / 8];
  std::memcpy(words, rotated, sizeof(words));

  size_t i = 0;
  for (; i + kXorCodeSize <= count; i += kXorCodeSize) {
    uint64_t block[kXorCodeSize / 8];
    std::memcpy(block, data + i, sizeof(block));
    for (size_t w = 0; w < kXorCodeSize / 8; ++w) block[w] ^= words[w];
    std::memcpy(data + i, block, sizeof(block));
  }
  for (size_t k = 0; i < count; ++i, ++k) data[i] ^= rotated[k];
}

}  // namespace tavorin::pack
