// Direct3D 9 texture sampling on the CPU.
#include "platform/d3d9/Sampler.h"

#include <cmath>

#include "platform/d3d9/Texture.h"

namespace tavorin::d3d9 {

namespace {

// Maps a texel index outside [0, size) by the addressing mode; -1 means the
// border colour.
int Address(int index, int size, DWORD mode) {
  if (index >= 0 && index < size) return index;
  switch (mode) {
    case D3DTADDRESS_CLAMP:
      return index < 0 ? 0 : size - 1;
    case D3DTADDRESS_BORDER:
      return -1;
    case D3DTADDRESS_MIRROR: {
      int period = 2 * size;
      int m = index % period;
      if (m < 0) m += period;
      return m < size ? m : period - 1 - m;
    }
    case D3DTADDRESS_MIRRORONCE: {
      int m = index < 0 ? -index - 1 : index;
      return m < size ? m : size - 1;
    }
    default: {
      int m = index % size;
      return m < 0 ? m + size : m;
    }
  }
}

DWORD Texel(const SamplerSetup& setup, int x, int y) {
  const PixelImage& image = *setup.image;
  int ax = Address(x, static_cast<int>(image.width), setup.addressU);
  int ay = Address(y, static_cast<int>(image.height), setup.addressV);
  if (ax < 0 || ay < 0) return setup.borderColor;
  DWORD texel = image.Row(static_cast<UINT>(ay))[ax];
  return image.HasAlpha() ? texel : texel | 0xFF000000u;
}

// Floors a float to an int without overflow for absurd coordinates.
int FloorToInt(float value) {
  constexpr float kLimit = 1 << 30;
  if (!(value > -kLimit)) return -(1 << 30);
  if (value > kLimit) return 1 << 30;
  return static_cast<int>(std::floor(value));
}

}  // namespace

SamplerSetup MakeSamplerSetup(const DeviceState& state, DWORD stage) {
  SamplerSetup setup;
  if (stage < kStageCount && state.textureImpl[stage] != nullptr) {
    setup.image = &state.textureImpl[stage]->TopLevel();
  }
  if (stage < kSamplerCount) {
    const DWORD* s = state.sampler[stage];
    setup.addressU = s[D3DSAMP_ADDRESSU];
    setup.addressV = s[D3DSAMP_ADDRESSV];
    setup.magFilter = s[D3DSAMP_MAGFILTER];
    setup.minFilter = s[D3DSAMP_MINFILTER];
    setup.borderColor = s[D3DSAMP_BORDERCOLOR];
  }
  return setup;
}

void SampleTexture(const SamplerSetup& setup, bool minify, float u, float v, const float missing[4],
                   float rgba[4]) {
  if (setup.image == nullptr) {
    for (int i = 0; i < 4; ++i) rgba[i] = missing[i];
    return;
  }
  float fu = u * setup.image->width;
  float fv = v * setup.image->height;
  DWORD filter = minify ? setup.minFilter : setup.magFilter;
  if (filter < D3DTEXF_LINEAR) {
    UnpackColor(Texel(setup, FloorToInt(fu), FloorToInt(fv)), rgba);
    return;
  }
  // Bilinear: texel centres sit at half-integers.
  fu -= 0.5f;
  fv -= 0.5f;
  int x0 = FloorToInt(fu), y0 = FloorToInt(fv);
  float wx = fu - std::floor(fu), wy = fv - std::floor(fv);
  float c00[4], c10[4], c01[4], c11[4];
  UnpackColor(Texel(setup, x0, y0), c00);
  UnpackColor(Texel(setup, x0 + 1, y0), c10);
  UnpackColor(Texel(setup, x0, y0 + 1), c01);
  UnpackColor(Texel(setup, x0 + 1, y0 + 1), c11);
  for (int i = 0; i < 4; ++i) {
    float top = c00[i] + (c10[i] - c00[i]) * wx;
    float bottom = c01[i] + (c11[i] - c01[i]) * wx;
    rgba[i] = top + (bottom - top) * wy;
  }
}

}  // namespace tavorin::d3d9
