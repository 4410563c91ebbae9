#include "pack/XorCode.h"

#include <cstdint>
#include <cstring>

namespace tavorin::pack {

// Built twice, for baseline x86-64 and for AVX2, picked at load time: with
// AVX2 one instruction masks a whole 32-byte period of the code. Not in
// sanitised builds: the variant resolver runs before the sanitiser runtime is
// up and crashes the program at load.
#if defined(__x86_64__) && !defined(TAVORIN_SANITIZED)
__attribute__((target_clones("avx2", "default")))
#endif
void ApplyXorCode(BYTE* data, size_t count, const BYTE code[kXorCodeSize], ULONGLONG offset) {
  // The code rotated so that its first byte belongs to data[0]; from there on
  // every 32-byte block of the data meets the same 32-byte vector.
  BYTE rotated[kXorCodeSize];
  for (DWORD k = 0; k < kXorCodeSize; ++k) rotated[k] = code[(offset + k) % kXorCodeSize];
  typedef uint64_t Vector __attribute__((vector_size(kXorCodeSize)));
  Vector mask;
  std::memcpy(&mask, rotated, sizeof(mask));

  size_t i = 0;
  for (; i + 2 * kXorCodeSize <= count; i += 2 * kXorCodeSize) {
    Vector a, b;
    std::memcpy(&a, data + i, sizeof(a));
    std::memcpy(&b, data + i + kXorCodeSize, sizeof(b));
    a ^= mask;
    b ^= mask;
    std::memcpy(data + i, &a, sizeof(a));
    std::memcpy(data + i + kXorCodeSize, &b, sizeof(b));
  }
  for (size_t k = 0; i < count; ++i, ++k) data[i] ^= rotated[k % kXorCodeSize];
}

}  // namespace tavorin::pack
