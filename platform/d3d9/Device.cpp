// The Direct3D 9 device on the CPU: creation, resources, states and clears.
#include "platform/d3d9/Device.h"
#include "platform/d3d9/SpanFill.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/Buffer.h"
#include "platform/d3d9/Shader.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/Texture.h"
#include "platform/win32/SdlWindow.h"

namespace tavorin::d3d9 {

namespace {

bool IsColorFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

bool IsPowerOfTwo(UINT value) {
  return value != 0 && (value & (value - 1)) == 0;
}

bool IsValidPool(D3DPOOL pool) {
  return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM ||
         pool == D3DPOOL_SCRATCH;
}

// The client size of a live window; false without one.
bool WindowSize(HWND window, UINT* width, UINT* height) {
  SDL_Window* sdlWindow = window != nullptr ? platform::SdlWindowOf(window) : nullptr;
  if (sdlWindow == nullptr) return false;
  int w = 0, h = 0;
  SDL_GetWindowSize(sdlWindow, &w, &h);
  if (w <= 0 || h <= 0) return false;
  *width = static_cast<UINT>(w);
  *height = static_cast<UINT>(h);
  return true;
}

template <class Interface>
HRESULT Share(const ComPtr<Interface>& held, Interface** out) {
  if (out == nullptr) return D3DERR_INVALIDCALL;
  *out = held.Get();
  if (*out != nullptr) (*out)->AddRef();
  return D3D_OK;
}

}  // namespace

HRESULT CDevice::Init(IDirect3D9* root, UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                      DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters, DWORD textureCaps) {
  root->AddRef();
  m_root = ComPtr<IDirect3D9>(root);
  m_link = std::make_shared<DeviceLink>(this);
  m_creation = D3DDEVICE_CREATION_PARAMETERS{adapter, deviceType, focusWindow, behaviorFlags};
  m_textureCaps = textureCaps;
  const DWORD processing =
      behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                       D3DCREATE_MIXED_VERTEXPROCESSING);
  if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
    return D3DERR_INVALIDCALL;
  }
  return CreateSwapChainImages(parameters);
}

CDevice::~CDevice() {
  if (m_link) m_link->Detach();
}

HRESULT CDevice::CreateSwapChainImages(D3DPRESENT_PARAMETERS* parameters) {
  if (parameters == nullptr) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS p = *parameters;
  if (!p.Windowed) return D3DERR_NOTAVAILABLE;  // there is no full-screen mode
  if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY) {
    return D3DERR_INVALIDCALL;
  }
  if (p.MultiSampleType != D3DMULTISAMPLE_NONE || p.MultiSampleQuality != 0) {
    return D3DERR_INVALIDCALL;
  }
  if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = DesktopDisplayMode().Format;
  if (!IsColorFormat(p.BackBufferFormat)) return D3DERR_INVALIDCALL;
  if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D16) {
    return D3DERR_NOTAVAILABLE;
  }
  if (p.BackBufferCount > 3) return D3DERR_INVALIDCALL;
  if (p.BackBufferCount == 0) p.BackBufferCount = 1;
  HWND window = p.hDeviceWindow != nullptr ? p.hDeviceWindow : m_creation.hFocusWindow;
  if (window == nullptr) return D3DERR_INVALIDCALL;
  if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
    UINT w = 0, h = 0;
    if (!WindowSize(window, &w, &h)) return D3DERR_INVALIDCALL;
    if (p.BackBufferWidth == 0) p.BackBufferWidth = w;
    if (p.BackBufferHeight == 0) p.BackBufferHeight = h;
  }
  if (!IsReasonableImageSize(p.BackBufferWidth, p.BackBufferHeight)) return D3DERR_INVALIDCALL;

  auto backBuffer =
      std::make_shared<PixelImage>(p.BackBufferWidth, p.BackBufferHeight, p.BackBufferFormat);
  std::unique_ptr<DepthBuffer> depth;
  if (p.EnableAutoDepthStencil) {
    depth = std::make_unique<DepthBuffer>();
    depth->width = p.BackBufferWidth;
    depth->height = p.BackBufferHeight;
    depth->values.assign(static_cast<size_t>(depth->width) * depth->height, 0xFFFF);
  }
  m_backBuffer = std::move(backBuffer);
  m_depth = std::move(depth);
  m_parameters = p;
  *parameters = p;
  m_inScene = false;
  m_state.SetDefaults(m_depth != nullptr, p.BackBufferWidth, p.BackBufferHeight);
  return D3D_OK;
}

HRESULT CDevice::GetDirect3D(IDirect3D9** direct3D) {
  return Share(m_root, direct3D);
}

HRESULT CDevice::GetDeviceCaps(D3DCAPS9* caps) {
  if (caps == nullptr) return D3DERR_INVALIDCALL;
  FillDeviceCaps(m_creation.AdapterOrdinal, caps, m_textureCaps);
  return D3D_OK;
}

HRESULT CDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
  if (swapChain != 0 || mode == nullptr) return D3DERR_INVALIDCALL;
  *mode = DesktopDisplayMode();
  return D3D_OK;
}

HRESULT CDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
  if (parameters == nullptr) return D3DERR_INVALIDCALL;
  *parameters = m_creation;
  return D3D_OK;
}

HRESULT CDevice::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
  if (presentationParameters == nullptr) return D3DERR_INVALIDCALL;
  // Default-pool resources would not survive a real device's reset, so
  // Windows refuses it while any lives; code tested here must release them.
  if (m_link->DefaultPoolResources() > 0) return D3DERR_INVALIDCALL;
  // Keep the device usable with its old swap chain if the new one is refused.
  D3DPRESENT_PARAMETERS old = m_parameters;
  HRESULT hr = CreateSwapChainImages(presentationParameters);
  if (FAILED(hr)) m_parameters = old;
  return hr;
}

HRESULT CDevice::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                               IDirect3DSurface9** surface) {
  if (surface == nullptr) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (swapChain != 0 || backBuffer >= m_parameters.BackBufferCount ||
      type != D3DBACKBUFFER_TYPE_MONO) {
    return D3DERR_INVALIDCALL;
  }
  constexpr DWORD kLockableBackBuffer = 0x00000001;
  return CreateComObject<CSurface>(surface, m_link, m_backBuffer, D3DPOOL_DEFAULT,
                                   DWORD{D3DUSAGE_RENDERTARGET}, nullptr,
                                   (m_parameters.Flags & kLockableBackBuffer) != 0);
}

HRESULT CDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                               D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) {
  if (texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (sharedHandle != nullptr || !IsColorFormat(format) || !IsValidPool(pool)) {
    return D3DERR_INVALIDCALL;
  }
  if ((usage & ~DWORD{D3DUSAGE_DYNAMIC}) != 0) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (!IsReasonableImageSize(width, height)) return D3DERR_INVALIDCALL;
  if ((m_textureCaps & D3DPTEXTURECAPS_POW2) && (!IsPowerOfTwo(width) || !IsPowerOfTwo(height))) {
    return D3DERR_INVALIDCALL;
  }
  if ((m_textureCaps & D3DPTEXTURECAPS_SQUAREONLY) && width != height) return D3DERR_INVALIDCALL;
  return CreateComObject<CTexture>(texture, m_link, width, height, levels, usage, format, pool);
}

HRESULT CDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                    IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) {
  if (vertexBuffer == nullptr) return D3DERR_INVALIDCALL;
  *vertexBuffer = nullptr;
  if (sharedHandle != nullptr || !IsValidPool(pool)) return D3DERR_INVALIDCALL;
  if (fvf != 0) {
    FvfLayout layout = DecodeFvf(fvf);
    if (!layout.valid || length < layout.size) return D3DERR_INVALIDCALL;
  }
  return CreateComObject<CVertexBuffer>(vertexBuffer, m_link, length, usage, fvf, pool);
}

HRESULT CDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                   IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) {
  if (indexBuffer == nullptr) return D3DERR_INVALIDCALL;
  *indexBuffer = nullptr;
  if (sharedHandle != nullptr || !IsValidPool(pool)) return D3DERR_INVALIDCALL;
  return CreateComObject<CIndexBuffer>(indexBuffer, m_link, length, usage, format, pool);
}

HRESULT CDevice::GetRenderTargetData(IDirect3DSurface9* renderTarget,
                                     IDirect3DSurface9* destSurface) {
  auto* source = dynamic_cast<CSurface*>(renderTarget);
  auto* dest = dynamic_cast<CSurface*>(destSurface);
  if (source == nullptr || dest == nullptr || source->Image() != m_backBuffer) {
    return D3DERR_INVALIDCALL;
  }
  if (dest->Pool() != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  const PixelImage& from = *source->Image();
  PixelImage& to = *dest->Image();
  if (from.width != to.width || from.height != to.height || from.format != to.format) {
    return D3DERR_INVALIDCALL;
  }
  if (to.locked) return D3DERR_INVALIDCALL;
  to.pixels = from.pixels;
  return D3D_OK;
}

HRESULT CDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                             D3DPOOL pool, IDirect3DSurface9** surface,
                                             HANDLE* sharedHandle) {
  if (surface == nullptr) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (sharedHandle != nullptr || !IsColorFormat(format) || !IsReasonableImageSize(width, height)) {
    return D3DERR_INVALIDCALL;
  }
  if (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH && pool != D3DPOOL_DEFAULT) {
    return D3DERR_INVALIDCALL;
  }
  auto image = std::make_shared<PixelImage>(width, height, format);
  return CreateComObject<CSurface>(surface, m_link, std::move(image), pool, DWORD{0}, nullptr,
                                   true);
}

HRESULT CDevice::BeginScene() {
  if (m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = true;
  return D3D_OK;
}

HRESULT CDevice::EndScene() {
  if (!m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = false;
  return D3D_OK;
}

HRESULT CDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                       DWORD /*stencil*/) {
  if (count > 0 && rects == nullptr) return D3DERR_INVALIDCALL;
  if (flags == 0 || (flags & ~DWORD{D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER}) != 0) {
    return D3DERR_INVALIDCALL;  // there is no stencil buffer
  }
  if ((flags & D3DCLEAR_ZBUFFER) && (m_depth == nullptr || !(z >= 0.0f && z <= 1.0f))) {
    return D3DERR_INVALIDCALL;
  }
  const D3DVIEWPORT9& vp = m_state.viewport;
  const D3DRECT whole = {static_cast<LONG>(vp.X), static_cast<LONG>(vp.Y),
                         static_cast<LONG>(vp.X + vp.Width), static_cast<LONG>(vp.Y + vp.Height)};
  if (rects == nullptr) {
    rects = &whole;
    count = 1;
  }
  PixelImage& target = *m_backBuffer;
  DWORD fill = target.HasAlpha() ? color : color | 0xFF000000u;
  uint16_t depthValue = static_cast<uint16_t>(z * 65535.0f + 0.5f);
  for (DWORD i = 0; i < count; ++i) {
    LONG left = std::max(rects[i].x1, whole.x1), top = std::max(rects[i].y1, whole.y1);
    LONG right = std::min(rects[i].x2, whole.x2), bottom = std::min(rects[i].y2, whole.y2);
    right = std::min<LONG>(right, static_cast<LONG>(target.width));
    bottom = std::min<LONG>(bottom, static_cast<LONG>(target.height));
    for (LONG y = top; y < bottom && left < right; ++y) {
      if (flags & D3DCLEAR_TARGET) {
        FillSpan32(target.Row(static_cast<UINT>(y)) + left, static_cast<size_t>(right - left),
                   fill);
      }
      if (flags & D3DCLEAR_ZBUFFER) {
        FillSpan16(m_depth->values.data() + static_cast<size_t>(y) * m_depth->width + left,
                   static_cast<size_t>(right - left), depthValue);
      }
    }
  }
  return D3D_OK;
}

HRESULT CDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (matrix == nullptr) return D3DERR_INVALIDCALL;
  if (state == D3DTS_WORLD) {
    m_state.world = *matrix;
  } else if (state == D3DTS_VIEW) {
    m_state.view = *matrix;
  } else if (state == D3DTS_PROJECTION) {
    m_state.projection = *matrix;
  } else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) {
    m_state.textureMatrix[state - D3DTS_TEXTURE0] = *matrix;
  } else {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT CDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (matrix == nullptr) return D3DERR_INVALIDCALL;
  if (state == D3DTS_WORLD) {
    *matrix = m_state.world;
  } else if (state == D3DTS_VIEW) {
    *matrix = m_state.view;
  } else if (state == D3DTS_PROJECTION) {
    *matrix = m_state.projection;
  } else if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) {
    *matrix = m_state.textureMatrix[state - D3DTS_TEXTURE0];
  } else {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT CDevice::SetViewport(const D3DVIEWPORT9* viewport) {
  if (viewport == nullptr) return D3DERR_INVALIDCALL;
  const D3DVIEWPORT9& v = *viewport;
  if (v.Width == 0 || v.Height == 0 || uint64_t{v.X} + v.Width > m_backBuffer->width ||
      uint64_t{v.Y} + v.Height > m_backBuffer->height) {
    return D3DERR_INVALIDCALL;
  }
  if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f)) {
    return D3DERR_INVALIDCALL;
  }
  m_state.viewport = v;
  return D3D_OK;
}

HRESULT CDevice::GetViewport(D3DVIEWPORT9* viewport) {
  if (viewport == nullptr) return D3DERR_INVALIDCALL;
  *viewport = m_state.viewport;
  return D3D_OK;
}

HRESULT CDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (static_cast<DWORD>(state) >= kRenderStateCount) return D3DERR_INVALIDCALL;
  m_state.render[state] = value;
  return D3D_OK;
}

HRESULT CDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (value == nullptr || static_cast<DWORD>(state) >= kRenderStateCount) {
    return D3DERR_INVALIDCALL;
  }
  *value = m_state.render[state];
  return D3D_OK;
}

HRESULT CDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (stage >= kStageCount) return D3DERR_INVALIDCALL;
  return Share(m_state.textures[stage], texture);
}

HRESULT CDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= kStageCount) return D3DERR_INVALIDCALL;
  auto* impl = dynamic_cast<CTexture*>(texture);
  if (texture != nullptr && (impl == nullptr || impl->Link() != m_link)) {
    return D3DERR_INVALIDCALL;
  }
  if (texture != nullptr) texture->AddRef();
  m_state.textures[stage] = ComPtr<IDirect3DBaseTexture9>(texture);
  m_state.textureImpl[stage] = impl;
  return D3D_OK;
}

HRESULT CDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (value == nullptr || stage >= kStageCount || type == 0 ||
      static_cast<DWORD>(type) >= kStageStateCount) {
    return D3DERR_INVALIDCALL;
  }
  *value = m_state.stage[stage][type];
  return D3D_OK;
}

HRESULT CDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kStageCount || type == 0 || static_cast<DWORD>(type) >= kStageStateCount) {
    return D3DERR_INVALIDCALL;
  }
  m_state.stage[stage][type] = value;
  return D3D_OK;
}

HRESULT CDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (value == nullptr || sampler >= kSamplerCount || type == 0 ||
      static_cast<DWORD>(type) >= kSamplerStateCount) {
    return D3DERR_INVALIDCALL;
  }
  *value = m_state.sampler[sampler][type];
  return D3D_OK;
}

HRESULT CDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kSamplerCount || type == 0 || static_cast<DWORD>(type) >= kSamplerStateCount) {
    return D3DERR_INVALIDCALL;
  }
  m_state.sampler[sampler][type] = value;
  return D3D_OK;
}

HRESULT CDevice::SetFVF(DWORD fvf) {
  if (fvf != 0 && !DecodeFvf(fvf).valid) return D3DERR_INVALIDCALL;
  m_state.fvf = fvf;
  return D3D_OK;
}

HRESULT CDevice::GetFVF(DWORD* fvf) {
  if (fvf == nullptr) return D3DERR_INVALIDCALL;
  *fvf = m_state.fvf;
  return D3D_OK;
}

HRESULT CDevice::SetVertexShader(IDirect3DVertexShader9* shader) {
  auto* impl = dynamic_cast<CVertexShader*>(shader);
  if (shader != nullptr && (impl == nullptr || impl->Link() != m_link)) {
    return D3DERR_INVALIDCALL;
  }
  if (shader != nullptr) shader->AddRef();
  m_state.vertexShader = ComPtr<IDirect3DVertexShader9>(shader);
  m_state.vertexShaderImpl = impl;
  return D3D_OK;
}

HRESULT CDevice::GetVertexShader(IDirect3DVertexShader9** shader) {
  return Share(m_state.vertexShader, shader);
}

HRESULT CDevice::SetVertexShaderConstantF(UINT startRegister, const float* constantData,
                                          UINT vector4fCount) {
  if (constantData == nullptr || startRegister > kVertexConstantCount ||
      vector4fCount > kVertexConstantCount - startRegister) {
    return D3DERR_INVALIDCALL;
  }
  std::memcpy(m_state.vertexConstants[startRegister], constantData,
              sizeof(float) * 4 * vector4fCount);
  return D3D_OK;
}

HRESULT CDevice::GetVertexShaderConstantF(UINT startRegister, float* constantData,
                                          UINT vector4fCount) {
  if (constantData == nullptr || startRegister > kVertexConstantCount ||
      vector4fCount > kVertexConstantCount - startRegister) {
    return D3DERR_INVALIDCALL;
  }
  std::memcpy(constantData, m_state.vertexConstants[startRegister],
              sizeof(float) * 4 * vector4fCount);
  return D3D_OK;
}

HRESULT CDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData,
                                 UINT offsetInBytes, UINT stride) {
  if (streamNumber >= kStreamCount) return D3DERR_INVALIDCALL;
  auto* impl = dynamic_cast<CVertexBuffer*>(streamData);
  if (streamData != nullptr && (impl == nullptr || impl->Link() != m_link)) {
    return D3DERR_INVALIDCALL;
  }
  if (stride > 508) return D3DERR_INVALIDCALL;  // MaxStreamStride
  if (streamData != nullptr) streamData->AddRef();
  StreamBinding& binding = m_state.streams[streamNumber];
  binding.buffer = ComPtr<IDirect3DVertexBuffer9>(streamData);
  binding.impl = impl;
  binding.offset = offsetInBytes;
  binding.stride = stride;
  return D3D_OK;
}

HRESULT CDevice::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData,
                                 UINT* offsetInBytes, UINT* stride) {
  if (streamData == nullptr || offsetInBytes == nullptr || stride == nullptr ||
      streamNumber >= kStreamCount) {
    return D3DERR_INVALIDCALL;
  }
  const StreamBinding& binding = m_state.streams[streamNumber];
  *offsetInBytes = binding.offset;
  *stride = binding.stride;
  return Share(binding.buffer, streamData);
}

HRESULT CDevice::SetIndices(IDirect3DIndexBuffer9* indexData) {
  auto* impl = dynamic_cast<CIndexBuffer*>(indexData);
  if (indexData != nullptr && (impl == nullptr || impl->Link() != m_link)) {
    return D3DERR_INVALIDCALL;
  }
  if (indexData != nullptr) indexData->AddRef();
  m_state.indices = ComPtr<IDirect3DIndexBuffer9>(indexData);
  m_state.indicesImpl = impl;
  return D3D_OK;
}

HRESULT CDevice::GetIndices(IDirect3DIndexBuffer9** indexData) {
  return Share(m_state.indices, indexData);
}

HRESULT CDevice::SetPixelShader(IDirect3DPixelShader9* shader) {
  auto* impl = dynamic_cast<CPixelShader*>(shader);
  if (shader != nullptr && (impl == nullptr || impl->Link() != m_link)) {
    return D3DERR_INVALIDCALL;
  }
  if (shader != nullptr) shader->AddRef();
  m_state.pixelShader = ComPtr<IDirect3DPixelShader9>(shader);
  m_state.pixelShaderImpl = impl;
  return D3D_OK;
}

HRESULT CDevice::GetPixelShader(IDirect3DPixelShader9** shader) {
  return Share(m_state.pixelShader, shader);
}

HRESULT CDevice::SetPixelShaderConstantF(UINT startRegister, const float* constantData,
                                         UINT vector4fCount) {
  if (constantData == nullptr || startRegister > kPixelConstantCount ||
      vector4fCount > kPixelConstantCount - startRegister) {
    return D3DERR_INVALIDCALL;
  }
  std::memcpy(m_state.pixelConstants[startRegister], constantData,
              sizeof(float) * 4 * vector4fCount);
  return D3D_OK;
}

HRESULT CDevice::GetPixelShaderConstantF(UINT startRegister, float* constantData,
                                         UINT vector4fCount) {
  if (constantData == nullptr || startRegister > kPixelConstantCount ||
      vector4fCount > kPixelConstantCount - startRegister) {
    return D3DERR_INVALIDCALL;
  }
  std::memcpy(constantData, m_state.pixelConstants[startRegister],
              sizeof(float) * 4 * vector4fCount);
  return D3D_OK;
}

}  // namespace tavorin::d3d9
