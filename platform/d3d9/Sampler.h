// Direct3D 9 texture sampling on the CPU: point and bilinear filters with
// wrap, mirror, clamp and border addressing.
#pragma once

#include "platform/d3d9/DeviceState.h"
#include "platform/d3d9/PixelImage.h"

namespace tavorin::d3d9 {

// How one stage samples during a draw.
struct SamplerSetup {
  const PixelImage* image = nullptr;  // null: no texture bound
  DWORD addressU = D3DTADDRESS_WRAP;
  DWORD addressV = D3DTADDRESS_WRAP;
  DWORD magFilter = D3DTEXF_POINT;
  DWORD minFilter = D3DTEXF_POINT;
  DWORD borderColor = 0;
};

SamplerSetup MakeSamplerSetup(const DeviceState& state, DWORD stage);

// r, g, b, a in 0..1 at (u, v); `minify` picks the minification filter.
// Without a texture the result is `missing`.
void SampleTexture(const SamplerSetup& setup, bool minify, float u, float v, const float missing[4],
                   float rgba[4]);

// The four channels of an A8R8G8B8 colour as 0..1 floats (r, g, b, a).
inline void UnpackColor(DWORD argb, float rgba[4]) {
  constexpr float kScale = 1.0f / 255.0f;
  rgba[0] = ((argb >> 16) & 0xFF) * kScale;
  rgba[1] = ((argb >> 8) & 0xFF) * kScale;
  rgba[2] = (argb & 0xFF) * kScale;
  rgba[3] = (argb >> 24) * kScale;
}

}  // namespace tavorin::d3d9
