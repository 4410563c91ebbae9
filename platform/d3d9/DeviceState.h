// Direct3D 9 device state: render, texture-stage and sampler states,
// transforms, bindings and shader constants.
#pragma once

#include <comobject.h>
#include <d3d9.h>

namespace tavorin::d3d9 {

class CTexture;
class CVertexBuffer;
class CIndexBuffer;
class CVertexShader;
class CPixelShader;

constexpr DWORD kRenderStateCount = 256;
constexpr DWORD kStageCount = 8;
constexpr DWORD kStageStateCount = 33;
constexpr DWORD kSamplerCount = 16;
constexpr DWORD kSamplerStateCount = 14;
constexpr DWORD kStreamCount = 4;
constexpr DWORD kVertexConstantCount = 256;
constexpr DWORD kPixelConstantCount = 224;

struct StreamBinding {
  ComPtr<IDirect3DVertexBuffer9> buffer;
  CVertexBuffer* impl = nullptr;
  UINT offset = 0;
  UINT stride = 0;
};

struct DeviceState {
  // Direct3D's documented defaults; the depth test starts enabled when the
  // device has an automatic depth buffer.
  void SetDefaults(bool hasDepthBuffer, UINT width, UINT height);

  DWORD render[kRenderStateCount];
  DWORD stage[kStageCount][kStageStateCount];
  DWORD sampler[kSamplerCount][kSamplerStateCount];
  D3DMATRIX world, view, projection;
  D3DMATRIX textureMatrix[kStageCount];
  D3DVIEWPORT9 viewport;

  ComPtr<IDirect3DBaseTexture9> textures[kStageCount];
  CTexture* textureImpl[kStageCount] = {};
  StreamBinding streams[kStreamCount];
  ComPtr<IDirect3DIndexBuffer9> indices;
  CIndexBuffer* indicesImpl = nullptr;
  DWORD fvf = 0;
  ComPtr<IDirect3DVertexShader9> vertexShader;
  CVertexShader* vertexShaderImpl = nullptr;
  ComPtr<IDirect3DPixelShader9> pixelShader;
  CPixelShader* pixelShaderImpl = nullptr;
  float vertexConstants[kVertexConstantCount][4];
  float pixelConstants[kPixelConstantCount][4];
};

}  // namespace tavorin::d3d9
