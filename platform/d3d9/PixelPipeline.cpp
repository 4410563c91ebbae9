// Direct3D 9 per-pixel work on the CPU.
#include "platform/d3d9/PixelPipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d9/Shader.h"

namespace tavorin::d3d9 {

namespace {

float Saturate(float value) {
  return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

DWORD ToByte(float value) {
  return static_cast<DWORD>(Saturate(value) * 255.0f + 0.5f);
}

DWORD Pack(const float rgba[4]) {
  return (ToByte(rgba[3]) << 24) | (ToByte(rgba[0]) << 16) | (ToByte(rgba[1]) << 8) |
         ToByte(rgba[2]);
}

// The blend factor for channel `i` (3 = alpha).
float BlendFactor(DWORD blend, const float src[4], const float dst[4], const float constant[4],
                  int i) {
  switch (blend) {
    case D3DBLEND_ZERO:
      return 0.0f;
    case D3DBLEND_ONE:
      return 1.0f;
    case D3DBLEND_SRCCOLOR:
      return src[i];
    case D3DBLEND_INVSRCCOLOR:
      return 1.0f - src[i];
    case D3DBLEND_SRCALPHA:
      return src[3];
    case D3DBLEND_INVSRCALPHA:
      return 1.0f - src[3];
    case D3DBLEND_DESTALPHA:
      return dst[3];
    case D3DBLEND_INVDESTALPHA:
      return 1.0f - dst[3];
    case D3DBLEND_DESTCOLOR:
      return dst[i];
    case D3DBLEND_INVDESTCOLOR:
      return 1.0f - dst[i];
    case D3DBLEND_SRCALPHASAT:
      return i == 3 ? 1.0f : std::min(src[3], 1.0f - dst[3]);
    case D3DBLEND_BLENDFACTOR:
      return constant[i];
    case D3DBLEND_INVBLENDFACTOR:
      return 1.0f - constant[i];
    default:
      return 1.0f;
  }
}

float BlendOp(DWORD op, float s, float d, float sf, float df) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT:
      return s * sf - d * df;
    case D3DBLENDOP_REVSUBTRACT:
      return d * df - s * sf;
    case D3DBLENDOP_MIN:
      return std::min(s, d);
    case D3DBLENDOP_MAX:
      return std::max(s, d);
    default:
      return s * sf + d * df;
  }
}

// One fixed-function texture-stage operation on one channel.
float StageOp(DWORD op, float a1, float a2, float a0, const float alphas[4]) {
  switch (op) {
    case D3DTOP_SELECTARG1:
      return a1;
    case D3DTOP_SELECTARG2:
      return a2;
    case D3DTOP_MODULATE:
      return a1 * a2;
    case D3DTOP_MODULATE2X:
      return a1 * a2 * 2.0f;
    case D3DTOP_MODULATE4X:
      return a1 * a2 * 4.0f;
    case D3DTOP_ADD:
      return a1 + a2;
    case D3DTOP_ADDSIGNED:
      return a1 + a2 - 0.5f;
    case D3DTOP_ADDSIGNED2X:
      return (a1 + a2 - 0.5f) * 2.0f;
    case D3DTOP_SUBTRACT:
      return a1 - a2;
    case D3DTOP_ADDSMOOTH:
      return a1 + a2 - a1 * a2;
    case D3DTOP_BLENDDIFFUSEALPHA:
      return a1 * alphas[0] + a2 * (1.0f - alphas[0]);
    case D3DTOP_BLENDTEXTUREALPHA:
      return a1 * alphas[1] + a2 * (1.0f - alphas[1]);
    case D3DTOP_BLENDFACTORALPHA:
      return a1 * alphas[2] + a2 * (1.0f - alphas[2]);
    case D3DTOP_BLENDTEXTUREALPHAPM:
      return a1 + a2 * (1.0f - alphas[1]);
    case D3DTOP_BLENDCURRENTALPHA:
      return a1 * alphas[3] + a2 * (1.0f - alphas[3]);
    default:
      return a0;
  }
}

const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const float kOpaqueBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};

}  // namespace

PixelPipeline::PixelPipeline(const DeviceState& state, PixelImage& target, DepthBuffer* depth)
    : m_state(state), m_target(target), m_depth(depth) {
  const D3DVIEWPORT9& vp = state.viewport;
  m_bounds.left = static_cast<int>(std::min<UINT>(vp.X, target.width));
  m_bounds.top = static_cast<int>(std::min<UINT>(vp.Y, target.height));
  m_bounds.right = static_cast<int>(std::min<uint64_t>(uint64_t{vp.X} + vp.Width, target.width));
  m_bounds.bottom = static_cast<int>(std::min<uint64_t>(uint64_t{vp.Y} + vp.Height, target.height));
  for (DWORD s = 0; s < kSamplerCount; ++s) m_samplers[s] = MakeSamplerSetup(state, s);

  const DWORD* rs = state.render;
  bool haveDepth =
      depth != nullptr && depth->width == target.width && depth->height == target.height;
  m_depthEnabled = haveDepth && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
  m_depthWrite = m_depthEnabled && rs[D3DRS_ZWRITEENABLE] != FALSE;
  m_depthFunc = rs[D3DRS_ZFUNC];
  m_alphaTest = rs[D3DRS_ALPHATESTENABLE] != FALSE;
  m_alphaFunc = rs[D3DRS_ALPHAFUNC];
  m_alphaRef = rs[D3DRS_ALPHAREF] & 0xFF;
  m_blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
  m_colorMask = rs[D3DRS_COLORWRITEENABLE] & 0xF;
  m_targetHasAlpha = target.HasAlpha();
  m_standardBlend = rs[D3DRS_SRCBLEND] == D3DBLEND_SRCALPHA &&
                    rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA &&
                    rs[D3DRS_BLENDOP] == D3DBLENDOP_ADD;
  if (m_standardBlend) {
    if (!rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
      m_alphaMode = 1;
    } else if (rs[D3DRS_SRCBLENDALPHA] == D3DBLEND_ONE &&
               rs[D3DRS_BLENDOPALPHA] == D3DBLENDOP_ADD) {
      DWORD dest = rs[D3DRS_DESTBLENDALPHA];
      m_alphaMode = dest == D3DBLEND_ONE ? 2 : (dest == D3DBLEND_ZERO ? 3 : 0);
      if (dest == D3DBLEND_INVSRCALPHA) m_alphaMode = 4;
    }
  }
}

void PixelPipeline::PrepareTriangle(const ScreenVertex& a, const ScreenVertex& b,
                                    const ScreenVertex& c, float pixelArea) {
  for (DWORD s = 0; s < kSamplerCount; ++s) {
    m_minify[s] = false;
    const PixelImage* image = m_samplers[s].image;
    if (image == nullptr) continue;
    // Fixed-function stages read the set named by their TEXCOORDINDEX;
    // shaders choose freely, so take the stage's own set as the estimate.
    DWORD set = s < kStageCount && m_state.pixelShaderImpl == nullptr
                    ? (m_state.stage[s][D3DTSS_TEXCOORDINDEX] & 0xFFFF)
                    : s;
    if (set >= D3DSHADER_MAX_TEXCOORDS) continue;
    int at = kAttrTexcoord + static_cast<int>(set) * 4;
    float du1 = b.attr[at] - a.attr[at], dv1 = b.attr[at + 1] - a.attr[at + 1];
    float du2 = c.attr[at] - a.attr[at], dv2 = c.attr[at + 1] - a.attr[at + 1];
    float texelArea =
        std::fabs(du1 * dv2 - du2 * dv1) * static_cast<float>(image->width) * image->height;
    m_minify[s] = texelArea > pixelArea * 1.0001f;
  }
}

bool PixelPipeline::DepthTest(int x, int y, float z, uint16_t* quantized) const {
  *quantized = static_cast<uint16_t>(Saturate(z) * 65535.0f + 0.5f);
  if (!m_depthEnabled) return true;
  uint16_t stored = m_depth->values[static_cast<size_t>(y) * m_depth->width + x];
  return Compare(m_depthFunc, *quantized, stored);
}

void PixelPipeline::Sample(DWORD stage, float u, float v, float rgba[4]) const {
  if (stage >= kSamplerCount) {
    std::memcpy(rgba, kOpaqueBlack, sizeof kOpaqueBlack);
    return;
  }
  SampleTexture(m_samplers[stage], m_minify[stage], u, v, kOpaqueBlack, rgba);
}

void PixelPipeline::CombineStages(const float* attr, float rgba[4]) const {
  const float* diffuse = attr + kAttrDiffuse;
  const float* specular = attr + kAttrSpecular;
  float current[4], temp[4] = {0, 0, 0, 0}, factor[4];
  std::memcpy(current, diffuse, sizeof current);
  UnpackColor(m_state.render[D3DRS_TEXTUREFACTOR], factor);

  for (DWORD s = 0; s < kStageCount; ++s) {
    const DWORD* st = m_state.stage[s];
    if (st[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    float texture[4];
    DWORD set = st[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    const float* uv = attr + kAttrTexcoord + (set < D3DSHADER_MAX_TEXCOORDS ? set : 0) * 4;
    // A stage without a texture reads opaque white, so a modulating stage
    // with nothing bound passes the colour through.
    SampleTexture(m_samplers[s], m_minify[s], uv[0], uv[1], kWhite, texture);
    float constant[4];
    UnpackColor(st[D3DTSS_CONSTANT], constant);

    auto argument = [&](DWORD selector, float out[4]) {
      const float* source = current;
      switch (selector & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
          source = diffuse;
          break;
        case D3DTA_TEXTURE:
          source = texture;
          break;
        case D3DTA_TFACTOR:
          source = factor;
          break;
        case D3DTA_SPECULAR:
          source = specular;
          break;
        case D3DTA_TEMP:
          source = temp;
          break;
        case D3DTA_CONSTANT:
          source = constant;
          break;
        default:
          source = current;
          break;
      }
      for (int i = 0; i < 4; ++i) {
        float value = (selector & D3DTA_ALPHAREPLICATE) ? source[3] : source[i];
        out[i] = (selector & D3DTA_COMPLEMENT) ? 1.0f - value : value;
      }
    };
    float c1[4], c2[4], c0[4], a1[4], a2[4], a0[4];
    argument(st[D3DTSS_COLORARG1], c1);
    argument(st[D3DTSS_COLORARG2], c2);
    argument(st[D3DTSS_COLORARG0], c0);
    argument(st[D3DTSS_ALPHAARG1], a1);
    argument(st[D3DTSS_ALPHAARG2], a2);
    argument(st[D3DTSS_ALPHAARG0], a0);
    const float alphas[4] = {diffuse[3], texture[3], factor[3], current[3]};

    float result[4];
    for (int i = 0; i < 3; ++i) {
      result[i] = Saturate(StageOp(st[D3DTSS_COLOROP], c1[i], c2[i], c0[i], alphas));
    }
    result[3] = st[D3DTSS_ALPHAOP] == D3DTOP_DISABLE
                    ? current[3]
                    : Saturate(StageOp(st[D3DTSS_ALPHAOP], a1[3], a2[3], a0[3], alphas));
    float* destination = (st[D3DTSS_RESULTARG] & D3DTA_SELECTMASK) == D3DTA_TEMP ? temp : current;
    std::memcpy(destination, result, sizeof result);
  }
  if (m_state.render[D3DRS_SPECULARENABLE]) {
    for (int i = 0; i < 3; ++i) current[i] = Saturate(current[i] + specular[i]);
  }
  std::memcpy(rgba, current, sizeof current);
}

void PixelPipeline::RunPixelShader(int x, int y, float z, const float* attr, bool frontFace,
                                   float rgba[4]) const {
  D3DSHADER_PIXEL_INPUT in;
  std::memcpy(in.diffuse, attr + kAttrDiffuse, sizeof in.diffuse);
  std::memcpy(in.specular, attr + kAttrSpecular, sizeof in.specular);
  std::memcpy(in.texcoord, attr + kAttrTexcoord, sizeof in.texcoord);
  in.x = static_cast<float>(x);
  in.y = static_cast<float>(y);
  in.z = z;
  in.frontFace = frontFace ? TRUE : FALSE;
  in.constants = m_state.pixelConstants;
  in.sampler = this;
  rgba[0] = rgba[1] = rgba[2] = 0.0f;
  rgba[3] = 1.0f;
  if (!m_state.pixelShaderImpl->Function()(in, rgba)) rgba[3] = -1.0f;  // discarded
}

void PixelPipeline::ShadeAndWrite(int x, int y, float z, uint16_t depthValue, const float* attr,
                                  bool frontFace) {
  float rgba[4];
  if (m_state.pixelShaderImpl != nullptr) {
    RunPixelShader(x, y, z, attr, frontFace, rgba);
    if (rgba[3] < 0.0f) return;
  } else {
    CombineStages(attr, rgba);
  }
  WriteShaded(x, y, depthValue, Pack(rgba));
}

DWORD PixelPipeline::Blend(DWORD source, DWORD dest) const {
  if (m_alphaMode != 0) {
    // Exact: (s·a + d·(255 − a)) / 255 never lies on a half, so rounding
    // up from +127 matches the float formula's rounding.
    DWORD a = source >> 24, inverse = 255 - a;
    DWORD da = m_targetHasAlpha ? dest >> 24 : 255;
    DWORD out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      DWORD sc = (source >> shift) & 0xFF, dc = (dest >> shift) & 0xFF;
      out |= ((sc * a + dc * inverse + 127) / 255) << shift;
    }
    DWORD alpha;
    switch (m_alphaMode) {
      case 1:
        alpha = (a * a + da * inverse + 127) / 255;
        break;
      case 2:
        alpha = std::min<DWORD>(255, a + da);
        break;
      case 3:
        alpha = a;
        break;
      default:
        alpha = (a * 255 + da * inverse + 127) / 255;
        break;
    }
    return out | (alpha << 24);
  }
  const DWORD* rs = m_state.render;
  float src[4], dst[4], constant[4];
  UnpackColor(source, src);
  UnpackColor(dest, dst);
  if (!m_targetHasAlpha) dst[3] = 1.0f;
  UnpackColor(rs[D3DRS_BLENDFACTOR], constant);
  DWORD srcBlend = rs[D3DRS_SRCBLEND], destBlend = rs[D3DRS_DESTBLEND];
  if (srcBlend == D3DBLEND_BOTHSRCALPHA) {
    srcBlend = D3DBLEND_SRCALPHA;
    destBlend = D3DBLEND_INVSRCALPHA;
  } else if (srcBlend == D3DBLEND_BOTHINVSRCALPHA) {
    srcBlend = D3DBLEND_INVSRCALPHA;
    destBlend = D3DBLEND_SRCALPHA;
  }
  bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE;
  float out[4];
  for (int i = 0; i < 4; ++i) {
    DWORD sb = (i == 3 && separate) ? rs[D3DRS_SRCBLENDALPHA] : srcBlend;
    DWORD db = (i == 3 && separate) ? rs[D3DRS_DESTBLENDALPHA] : destBlend;
    DWORD op = (i == 3 && separate) ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP];
    out[i] = BlendOp(op, src[i], dst[i], BlendFactor(sb, src, dst, constant, i),
                     BlendFactor(db, src, dst, constant, i));
  }
  return Pack(out);
}

void PixelPipeline::WriteShaded(int x, int y, uint16_t depthValue, DWORD argb) {
  if (m_alphaTest && !Compare(m_alphaFunc, argb >> 24, m_alphaRef)) return;
  if (m_depthWrite) m_depth->values[static_cast<size_t>(y) * m_depth->width + x] = depthValue;
  DWORD* pixel = m_target.Row(static_cast<UINT>(y)) + x;
  DWORD color = m_blend ? Blend(argb, *pixel) : argb;
  if (!m_targetHasAlpha) color |= 0xFF000000u;
  if (m_colorMask != 0xF) {
    DWORD keep = 0;
    if (!(m_colorMask & D3DCOLORWRITEENABLE_RED)) keep |= 0x00FF0000u;
    if (!(m_colorMask & D3DCOLORWRITEENABLE_GREEN)) keep |= 0x0000FF00u;
    if (!(m_colorMask & D3DCOLORWRITEENABLE_BLUE)) keep |= 0x000000FFu;
    if (!(m_colorMask & D3DCOLORWRITEENABLE_ALPHA) && m_targetHasAlpha) keep |= 0xFF000000u;
    color = (color & ~keep) | (*pixel & keep);
  }
  *pixel = color;
}

}  // namespace tavorin::d3d9
