// Direct3D 9 device internals: filling pixel and depth spans, the whole cost
// of clearing a target, sixteen bytes at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavorin::d3d9 {

inline void FillSpan32(uint32_t* span, size_t count, uint32_t value) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i v = _mm_set1_epi32(static_cast<int>(value));
  for (; i + 4 <= count; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(span + i), v);
#endif
  for (; i < count; ++i) span[i] = value;
}

inline void FillSpan16(uint16_t* span, size_t count, uint16_t value) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i v = _mm_set1_epi16(static_cast<short>(value));
  for (; i + 8 <= count; i += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(span + i), v);
#endif
  for (; i < count; ++i) span[i] = value;
}

}  // namespace tavorin::d3d9
