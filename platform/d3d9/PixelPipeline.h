// Direct3D 9 per-pixel work on the CPU: fixed-function texture stages or a
// pixel callable, alpha test, depth test and write, blending and the
// colour-write mask.
#pragma once

#include <d3d9_shader_ext.h>

#include <cstdint>
#include <vector>

#include "platform/d3d9/DeviceState.h"
#include "platform/d3d9/PixelImage.h"
#include "platform/d3d9/Sampler.h"

namespace tavorin::d3d9 {

// Interpolated vertex outputs: diffuse, specular, then eight texture
// coordinate sets, four floats each.
constexpr int kAttrDiffuse = 0;
constexpr int kAttrSpecular = 4;
constexpr int kAttrTexcoord = 8;
constexpr int kAttrCount = 40;

// A vertex after the viewport mapping: pixel coordinates, depth 0..1 and
// 1/w for perspective-correct interpolation.
struct ScreenVertex {
  float x, y, z, invW;
  float attr[kAttrCount];
};

struct DepthBuffer {
  UINT width = 0;
  UINT height = 0;
  std::vector<uint16_t> values;
};

// The area pixels may be written in: the viewport within the render target.
struct PixelRect {
  int left, top, right, bottom;  // right and bottom exclusive
};

class PixelPipeline : private D3DSHADER_SAMPLER {
 public:
  PixelPipeline(const DeviceState& state, PixelImage& target, DepthBuffer* depth);

  const PixelRect& Bounds() const { return m_bounds; }
  // How many attribute floats the shading reads (the rasteriser
  // interpolates only those).
  int AttributeCount() const { return m_attributeCount; }

  // Picks the minification or magnification filter of each stage from the
  // texel-to-pixel ratio of one triangle.
  void PrepareTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                       float pixelArea);
  void PrepareLine() { std::fill(std::begin(m_minify), std::end(m_minify), false); }

  // Quantises depth and runs the depth test; false when the pixel is hidden.
  bool DepthTest(int x, int y, float z, uint16_t* quantized) const;
  // Shades the pixel, runs the alpha test and writes depth and colour.
  void ShadeAndWrite(int x, int y, float z, uint16_t depthValue, const float* attr, bool frontFace);

  // The last stage of ShadeAndWrite for an already-shaded 8-bit colour:
  // alpha test, depth write, blending and mask. Also used by the quad fast
  // path so both paths agree to the bit.
  void WriteShaded(int x, int y, uint16_t depthValue, DWORD argb);

  bool DepthEnabled() const { return m_depthEnabled; }
  bool DepthWrite() const { return m_depthWrite; }
  DWORD Blend(DWORD source, DWORD dest) const;

  // Settings the fast path inspects.
  bool AlphaTestEnabled() const { return m_alphaTest; }
  DWORD AlphaFunc() const { return m_alphaFunc; }
  DWORD AlphaRef() const { return m_alphaRef; }
  bool BlendEnabled() const { return m_blend; }
  DWORD ColorMask() const { return m_colorMask; }
  const DWORD* RenderStates() const { return m_state.render; }
  PixelImage& Target() { return m_target; }
  const DepthBuffer* Depth() const { return m_depth; }

 private:
  void Sample(DWORD stage, float u, float v, float rgba[4]) const override;
  void CombineStages(const float* attr, float rgba[4]) const;
  void RunPixelShader(int x, int y, float z, const float* attr, bool frontFace,
                      float rgba[4]) const;

  const DeviceState& m_state;
  PixelImage& m_target;
  DepthBuffer* m_depth;
  PixelRect m_bounds;
  int m_attributeCount = kAttrCount;
  SamplerSetup m_samplers[kSamplerCount];
  bool m_minify[kSamplerCount] = {};
  bool m_depthEnabled = false;
  bool m_depthWrite = false;
  DWORD m_depthFunc = D3DCMP_LESSEQUAL;
  bool m_alphaTest = false;
  DWORD m_alphaFunc = D3DCMP_ALWAYS;
  DWORD m_alphaRef = 0;
  bool m_blend = false;
  DWORD m_colorMask = 0xF;
  bool m_targetHasAlpha = false;
  // SRCALPHA / INVSRCALPHA / ADD on the colour, which the integer path
  // below computes exactly as the general formula rounds; `m_alphaMode`
  // says how the alpha channel blends then (0: the general path).
  bool m_standardBlend = false;
  int m_alphaMode = 0;
};

// Whether `value` passes comparison `func` against `reference`.
inline bool Compare(DWORD func, DWORD value, DWORD reference) {
  switch (func) {
    case D3DCMP_NEVER:
      return false;
    case D3DCMP_LESS:
      return value < reference;
    case D3DCMP_EQUAL:
      return value == reference;
    case D3DCMP_LESSEQUAL:
      return value <= reference;
    case D3DCMP_GREATER:
      return value > reference;
    case D3DCMP_NOTEQUAL:
      return value != reference;
    case D3DCMP_GREATEREQUAL:
      return value >= reference;
    default:
      return true;
  }
}

}  // namespace tavorin::d3d9
