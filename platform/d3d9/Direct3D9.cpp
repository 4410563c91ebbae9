// Direct3D 9 root object on the CPU: the one adapter, its caps and modes.
#include <SDL.h>
#include <platform_test_d3d9.h>

#include <atomic>

#include "platform/d3d9/Device.h"

namespace tavorin::d3d9 {

namespace {

std::atomic<DWORD> g_textureCapsRestriction{0};

constexpr DWORD kCompareCaps = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL |
                               D3DPCMPCAPS_LESSEQUAL | D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL |
                               D3DPCMPCAPS_GREATEREQUAL | D3DPCMPCAPS_ALWAYS;
constexpr DWORD kBlendCaps =
    D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR | D3DPBLENDCAPS_INVSRCCOLOR |
    D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
    D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR | D3DPBLENDCAPS_INVDESTCOLOR;

bool IsBackBufferFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

class CDirect3D9 : public ComObject<IDirect3D9> {
 public:
  HRESULT Init() { return D3D_OK; }

  UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }

  HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    if (adapter != D3DADAPTER_DEFAULT || mode == nullptr) return D3DERR_INVALIDCALL;
    *mode = DesktopDisplayMode();
    return D3D_OK;
  }

  HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType,
                                            D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                                            BOOL /*windowed*/) override {
    if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (adapterFormat != D3DFMT_X8R8G8B8 || !IsBackBufferFormat(backBufferFormat)) {
      return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
  }

  HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType,
                                                       D3DFORMAT surfaceFormat, BOOL /*windowed*/,
                                                       D3DMULTISAMPLE_TYPE multiSampleType,
                                                       DWORD* qualityLevels) override {
    if (qualityLevels != nullptr) *qualityLevels = 0;
    if (adapter != D3DADAPTER_DEFAULT || multiSampleType > D3DMULTISAMPLE_16_SAMPLES) {
      return D3DERR_INVALIDCALL;
    }
    if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (!IsBackBufferFormat(surfaceFormat) && surfaceFormat != D3DFMT_D16) {
      return D3DERR_NOTAVAILABLE;
    }
    if (multiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (qualityLevels != nullptr) *qualityLevels = 1;
    return D3D_OK;
  }

  HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType,
                                          D3DCAPS9* caps) override {
    if (adapter != D3DADAPTER_DEFAULT || caps == nullptr) return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    FillDeviceCaps(adapter, caps, BaseTextureCaps() | TextureCapsRestriction());
    return D3D_OK;
  }

  HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                                         DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                                         IDirect3DDevice9** device) override {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || parameters == nullptr) return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    return CreateComObject<CDevice>(device, this, adapter, deviceType, focusWindow, behaviorFlags,
                                    parameters, BaseTextureCaps() | TextureCapsRestriction());
  }
};

}  // namespace

DWORD BaseTextureCaps() {
  return D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
}

DWORD TextureCapsRestriction() {
  return g_textureCapsRestriction.load();
}

D3DDISPLAYMODE DesktopDisplayMode() {
  D3DDISPLAYMODE mode = {800, 600, 60, D3DFMT_X8R8G8B8};
  SDL_DisplayMode desktop;
  if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 &&
      desktop.h > 0) {
    mode.Width = static_cast<UINT>(desktop.w);
    mode.Height = static_cast<UINT>(desktop.h);
    mode.RefreshRate = desktop.refresh_rate > 0 ? static_cast<UINT>(desktop.refresh_rate) : 60;
  }
  return mode;
}

void FillDeviceCaps(UINT adapter, D3DCAPS9* caps, DWORD textureCaps) {
  *caps = D3DCAPS9{};
  caps->DeviceType = D3DDEVTYPE_HAL;
  caps->AdapterOrdinal = adapter;
  caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  caps->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                  D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                            D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                            D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND;
  caps->ZCmpCaps = kCompareCaps;
  caps->AlphaCmpCaps = kCompareCaps;
  caps->SrcBlendCaps = kBlendCaps;
  caps->DestBlendCaps = kBlendCaps;
  caps->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  caps->TextureCaps = textureCaps;
  caps->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                            D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  caps->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_CLAMP;
  caps->LineCaps =
      D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
  caps->MaxTextureWidth = 8192;
  caps->MaxTextureHeight = 8192;
  caps->MaxTextureRepeat = 8192;
  caps->MaxTextureAspectRatio = 8192;
  caps->MaxAnisotropy = 1;
  caps->MaxVertexW = 1e10f;
  caps->GuardBandLeft = -8192.0f;
  caps->GuardBandTop = -8192.0f;
  caps->GuardBandRight = 8192.0f;
  caps->GuardBandBottom = 8192.0f;
  caps->FVFCaps = 8;  // texture coordinate sets
  caps->TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                        D3DTEXOPCAPS_MODULATE;
  caps->MaxTextureBlendStages = kStageCount;
  caps->MaxSimultaneousTextures = kStageCount;
  caps->MaxPointSize = 1.0f;
  caps->MaxPrimitiveCount = 0xFFFFF;
  caps->MaxVertexIndex = 0xFFFFFF;
  caps->MaxStreams = kStreamCount;
  caps->MaxStreamStride = 508;
  caps->VertexShaderVersion = D3DVS_VERSION(2, 0);
  caps->MaxVertexShaderConst = kVertexConstantCount;
  caps->PixelShaderVersion = D3DPS_VERSION(2, 0);
  caps->PixelShader1xMaxValue = 1.0f;
  caps->NumberOfAdaptersInGroup = 1;
  caps->NumSimultaneousRTs = 1;
  caps->VS20Caps.NumTemps = 12;
  caps->PS20Caps.NumTemps = 12;
  caps->PS20Caps.NumInstructionSlots = 96;
}

}  // namespace tavorin::d3d9

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  IDirect3D9* root = nullptr;
  tavorin::CreateComObject<tavorin::d3d9::CDirect3D9>(&root);
  return root;
}

namespace tavorin::test {

void D3D9SetTextureCapsRestriction(DWORD textureCaps) {
  d3d9::g_textureCapsRestriction =
      textureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY);
}

bool D3D9ReadPresentedFrame(IDirect3DDevice9* device, std::vector<DWORD>* pixels, UINT* width,
                            UINT* height) {
  auto* owner = dynamic_cast<d3d9::CDevice*>(device);
  if (owner == nullptr || pixels == nullptr || width == nullptr || height == nullptr) return false;
  return owner->ReadPresentedFrame(pixels, width, height);
}

UINT D3D9WindowPresentCount(IDirect3DDevice9* device) {
  auto* owner = dynamic_cast<d3d9::CDevice*>(device);
  return owner == nullptr ? 0 : owner->WindowPresentCount();
}

}  // namespace tavorin::test
