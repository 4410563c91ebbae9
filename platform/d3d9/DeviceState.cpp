// Direct3D 9 device state defaults.
#include "platform/d3d9/DeviceState.h"

#include <cstring>

#include "platform/d3d9/Buffer.h"
#include "platform/d3d9/Shader.h"
#include "platform/d3d9/Texture.h"

namespace tavorin::d3d9 {

namespace {

DWORD FloatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

}  // namespace

void DeviceState::SetDefaults(bool hasDepthBuffer, UINT width, UINT height) {
  std::memset(render, 0, sizeof render);
  render[D3DRS_ZENABLE] = hasDepthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
  render[D3DRS_FILLMODE] = D3DFILL_SOLID;
  render[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  render[D3DRS_ZWRITEENABLE] = TRUE;
  render[D3DRS_LASTPIXEL] = TRUE;
  render[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  render[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  render[D3DRS_CULLMODE] = D3DCULL_CCW;
  render[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  render[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  render[D3DRS_FOGEND] = FloatBits(1.0f);
  render[D3DRS_FOGDENSITY] = FloatBits(1.0f);
  render[D3DRS_STENCILFAIL] = 1;  // D3DSTENCILOP_KEEP
  render[D3DRS_STENCILZFAIL] = 1;
  render[D3DRS_STENCILPASS] = 1;
  render[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  render[D3DRS_STENCILMASK] = 0xFFFFFFFF;
  render[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  render[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  render[D3DRS_CLIPPING] = TRUE;
  render[D3DRS_LIGHTING] = TRUE;
  render[D3DRS_COLORVERTEX] = TRUE;
  render[D3DRS_LOCALVIEWER] = TRUE;
  render[D3DRS_DIFFUSEMATERIALSOURCE] = 1;   // D3DMCS_COLOR1
  render[D3DRS_SPECULARMATERIALSOURCE] = 2;  // D3DMCS_COLOR2
  render[D3DRS_POINTSIZE] = FloatBits(1.0f);
  render[D3DRS_POINTSIZE_MIN] = FloatBits(1.0f);
  render[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
  render[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  render[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  render[D3DRS_COLORWRITEENABLE] = 0xF;
  render[D3DRS_COLORWRITEENABLE1] = 0xF;
  render[D3DRS_COLORWRITEENABLE2] = 0xF;
  render[D3DRS_COLORWRITEENABLE3] = 0xF;
  render[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  render[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  render[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  render[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  render[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

  std::memset(stage, 0, sizeof stage);
  for (DWORD s = 0; s < kStageCount; ++s) {
    stage[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    stage[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    stage[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    stage[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
    stage[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    stage[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    stage[s][D3DTSS_TEXCOORDINDEX] = s;
    stage[s][D3DTSS_COLORARG0] = D3DTA_CURRENT;
    stage[s][D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    stage[s][D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }

  std::memset(sampler, 0, sizeof sampler);
  for (DWORD s = 0; s < kSamplerCount; ++s) {
    sampler[s][D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
    sampler[s][D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    sampler[s][D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    sampler[s][D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    sampler[s][D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    sampler[s][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    sampler[s][D3DSAMP_MAXANISOTROPY] = 1;
  }

  world = view = projection = Identity();
  for (D3DMATRIX& m : textureMatrix) m = Identity();
  viewport = D3DVIEWPORT9{0, 0, width, height, 0.0f, 1.0f};

  for (DWORD s = 0; s < kStageCount; ++s) {
    textures[s].Reset();
    textureImpl[s] = nullptr;
  }
  for (StreamBinding& stream : streams) stream = StreamBinding{};
  indices.Reset();
  indicesImpl = nullptr;
  fvf = 0;
  vertexShader.Reset();
  vertexShaderImpl = nullptr;
  pixelShader.Reset();
  pixelShaderImpl = nullptr;
  std::memset(vertexConstants, 0, sizeof vertexConstants);
  std::memset(pixelConstants, 0, sizeof pixelConstants);
}

}  // namespace tavorin::d3d9
