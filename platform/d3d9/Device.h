// The Direct3D 9 device on the CPU: resources, states, draws and Present.
#pragma once

#include <comobject.h>
#include <d3d9.h>

#include <memory>
#include <vector>

#include "platform/d3d9/DeviceState.h"
#include "platform/d3d9/PixelImage.h"
#include "platform/d3d9/PixelPipeline.h"
#include "platform/d3d9/Resource.h"
#include "platform/d3d9/VertexProcessor.h"

namespace tavorin::d3d9 {

class CDevice : public ComObject<IDirect3DDevice9> {
 public:
  HRESULT Init(IDirect3D9* root, UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
               DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters, DWORD textureCaps);

  const DeviceLinkPtr& Link() const { return m_link; }
  // platform_test read-back of the last Present.
  bool ReadPresentedFrame(std::vector<DWORD>* pixels, UINT* width, UINT* height) const;
  UINT WindowPresentCount() const { return m_windowPresentCount; }

  HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override { return D3D_OK; }
  HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** direct3D) override;
  HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
  HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
  HRESULT STDMETHODCALLTYPE
  GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
  HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* presentationParameters) override;
  HRESULT STDMETHODCALLTYPE Present(const RECT* sourceRect, const RECT* destRect,
                                    HWND destWindowOverride, const void* dirtyRegion) override;
  HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                                          IDirect3DSurface9** surface) override;
  HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                          D3DFORMAT format, D3DPOOL pool,
                                          IDirect3DTexture9** texture,
                                          HANDLE* sharedHandle) override;
  HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                               IDirect3DVertexBuffer9** vertexBuffer,
                                               HANDLE* sharedHandle) override;
  HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                              D3DPOOL pool, IDirect3DIndexBuffer9** indexBuffer,
                                              HANDLE* sharedHandle) override;
  HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* renderTarget,
                                                IDirect3DSurface9* destSurface) override;
  HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                                        D3DPOOL pool, IDirect3DSurface9** surface,
                                                        HANDLE* sharedHandle) override;
  HRESULT STDMETHODCALLTYPE BeginScene() override;
  HRESULT STDMETHODCALLTYPE EndScene() override;
  HRESULT STDMETHODCALLTYPE Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                  float z, DWORD stencil) override;
  HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state,
                                         const D3DMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                 DWORD* value) override;
  HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                 DWORD value) override;
  HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                            DWORD* value) override;
  HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                            DWORD value) override;
  HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                                          UINT primitiveCount) override;
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType,
                                                 INT baseVertexIndex, UINT minVertexIndex,
                                                 UINT numVertices, UINT startIndex,
                                                 UINT primitiveCount) override;
  HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                            const void* vertexStreamZeroData,
                                            UINT vertexStreamZeroStride) override;
  HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType,
                                                   UINT minVertexIndex, UINT numVertices,
                                                   UINT primitiveCount, const void* indexData,
                                                   D3DFORMAT indexDataFormat,
                                                   const void* vertexStreamZeroData,
                                                   UINT vertexStreamZeroStride) override;
  HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override;
  HRESULT STDMETHODCALLTYPE GetFVF(DWORD* fvf) override;
  HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* shader) override;
  HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** shader) override;
  HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT startRegister, const float* constantData,
                                                     UINT vector4fCount) override;
  HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT startRegister, float* constantData,
                                                     UINT vector4fCount) override;
  HRESULT STDMETHODCALLTYPE SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData,
                                            UINT offsetInBytes, UINT stride) override;
  HRESULT STDMETHODCALLTYPE GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData,
                                            UINT* offsetInBytes, UINT* stride) override;
  HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* indexData) override;
  HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** indexData) override;
  HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* shader) override;
  HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** shader) override;
  HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT startRegister, const float* constantData,
                                                    UINT vector4fCount) override;
  HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT startRegister, float* constantData,
                                                    UINT vector4fCount) override;

 protected:
  ~CDevice() override;

 private:
  // One draw from already validated streams; `indices` null for
  // non-indexed draws (vertex i of the primitive list is vertex
  // `firstVertex` + i), otherwise 16- or 32-bit indices.
  struct DrawRequest {
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    UINT primitiveCount = 0;
    StreamView streams[kStreamCount];
    const void* indices = nullptr;
    bool indices32 = false;
    INT baseVertex = 0;
    UINT firstVertex = 0;
    UINT minVertex = 0;
    UINT vertexCount = 0;
  };

  HRESULT CreateSwapChainImages(D3DPRESENT_PARAMETERS* parameters);
  HRESULT Draw(const DrawRequest& request);
  bool TryDrawScreenQuad(const DrawRequest& request, const FvfLayout& layout);
  void AssemblePrimitives(PixelPipeline& pipeline, const DrawRequest& request, bool pretransformed);
  StreamView BoundStream(DWORD stream) const;
  void PresentToWindow(HWND window);

  ComPtr<IDirect3D9> m_root;
  DeviceLinkPtr m_link;
  D3DDEVICE_CREATION_PARAMETERS m_creation{};
  D3DPRESENT_PARAMETERS m_parameters{};
  DWORD m_textureCaps = 0;
  std::shared_ptr<PixelImage> m_backBuffer;
  std::unique_ptr<DepthBuffer> m_depth;
  DeviceState m_state;
  bool m_inScene = false;
  std::vector<ClipVertex> m_vertices;
  std::vector<DWORD> m_presented;
  UINT m_presentedWidth = 0;
  UINT m_presentedHeight = 0;
  bool m_hasPresented = false;
  UINT m_windowPresentCount = 0;
};

// The TextureCaps flags the device reports before test restrictions.
DWORD BaseTextureCaps();
// Fills the caps of the CPU device.
void FillDeviceCaps(UINT adapter, D3DCAPS9* caps, DWORD textureCaps);
// The desktop display mode (800 × 600 X8R8G8B8 without a display).
D3DDISPLAYMODE DesktopDisplayMode();
// Test restriction of TextureCaps (platform_test_d3d9.h).
DWORD TextureCapsRestriction();

}  // namespace tavorin::d3d9
