// The texture memory one load, or one surface payload, may ask for in all.
// Stored textures are made square with power-of-two sides (and surface
// textures with their mip chains), so a few bytes of strip can ask for a
// huge texture; the budget bounds that well above anything real content
// holds, and a request beyond it is refused before anything is allocated.
#pragma once

#include <windef.h>

namespace tavorin::pack {

// 128 MiB: a 4096 × 4096 texture with its mip chain fits; 8192 × 8192 does
// not.
constexpr ULONGLONG kTextureBudgetBytes = ULONGLONG{128} << 20;

// Bytes of a square A8R8G8B8 texture of `side`, with its mip chain down to
// 1 × 1 when `mipChain`.
constexpr ULONGLONG SquareTextureBytes(ULONGLONG side, bool mipChain) {
  ULONGLONG bytes = 0;
  for (; side >= 1; side /= 2) {
    bytes += 4 * side * side;
    if (!mipChain) break;
  }
  return bytes;
}

class TextureBudget {
 public:
  // Takes `bytes` from what is left; false, taking nothing, when they do
  // not fit.
  bool Take(ULONGLONG bytes) {
    if (bytes > m_left) return false;
    m_left -= bytes;
    return true;
  }

 private:
  ULONGLONG m_left = kTextureBudgetBytes;
};

}  // namespace tavorin::pack
