// A CPU Direct3D device for tests, with helpers to make textures, draw
// screen-space quads and read the back buffer.
#pragma once

#include <comobject.h>
#include <d3d9.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tavorin::test {

// A handle that names no window: the device renders for read-back only.
inline HWND HeadlessWindow() {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5eed));
}

struct ScreenVertex {
  float x, y, z, rhw;
  DWORD color;
  float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class D3D9TestDevice {
 public:
  explicit D3D9TestDevice(UINT width = 64, UINT height = 48, bool depth = false,
                          D3DFORMAT format = D3DFMT_X8R8G8B8) {
    m_root = ComPtr<IDirect3D9>(Direct3DCreate9(D3D_SDK_VERSION));
    if (!m_root) return;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = format;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = HeadlessWindow();
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    m_root->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, HeadlessWindow(),
                         D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                         m_device.ReleaseAndGetAddressOf());
    m_width = width;
    m_height = height;
  }

  IDirect3DDevice9* operator->() const { return m_device.Get(); }
  IDirect3DDevice9* Get() const { return m_device.Get(); }
  IDirect3D9* Root() const { return m_root.Get(); }
  UINT Width() const { return m_width; }
  UINT Height() const { return m_height; }

  // A one-level texture whose texel (x, y) is texel(x, y).
  ComPtr<IDirect3DTexture9> MakeTexture(UINT width, UINT height,
                                        const std::function<DWORD(UINT, UINT)>& texel,
                                        D3DFORMAT format = D3DFMT_A8R8G8B8) const {
    ComPtr<IDirect3DTexture9> texture;
    EXPECT_EQ(m_device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED,
                                      texture.ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
      for (UINT x = 0; x < width; ++x) row[x] = texel(x, y);
    }
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    return texture;
  }

  // Draws texels [u0, u1) × [v0, v1) (in texels, offset by 0.1 as the
  // system's quad helper does) at (x, y), scaled to w × h pixels.
  HRESULT DrawQuad(IDirect3DTexture9* texture, float x, float y, float w, float h, float u0,
                   float v0, float u1, float v1, DWORD color = 0xFFFFFFFF, float z = 0.0f) const {
    D3DSURFACE_DESC desc{};
    if (texture != nullptr) texture->GetLevelDesc(0, &desc);
    float tw = desc.Width ? static_cast<float>(desc.Width) : 1.0f;
    float th = desc.Height ? static_cast<float>(desc.Height) : 1.0f;
    float ul = (u0 + 0.1f) / tw, ur = (u1 + 0.1f) / tw, vt = (v0 + 0.1f) / th,
          vb = (v1 + 0.1f) / th;
    ScreenVertex quad[4] = {{x, y, z, 1, color, ul, vt},
                            {x + w, y, z, 1, color, ur, vt},
                            {x + w, y + h, z, 1, color, ur, vb},
                            {x, y + h, z, 1, color, ul, vb}};
    m_device->SetTexture(0, texture);
    m_device->SetFVF(kScreenFvf);
    return m_device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
  }

  // The states the system's device manager sets by default.
  void SetDefaultLikeStates() const {
    IDirect3DDevice9* d = m_device.Get();
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d->SetRenderState(D3DRS_ALPHAREF, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_ONE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  }

  // The back buffer through GetRenderTargetData, row by row.
  std::vector<DWORD> ReadBack() const {
    std::vector<DWORD> pixels;
    ComPtr<IDirect3DSurface9> back, copy;
    if (m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.ReleaseAndGetAddressOf()) !=
        D3D_OK) {
      ADD_FAILURE() << "GetBackBuffer";
      return pixels;
    }
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    EXPECT_EQ(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                    D3DPOOL_SYSTEMMEM,
                                                    copy.ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    EXPECT_EQ(m_device->GetRenderTargetData(back.Get(), copy.Get()), D3D_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (UINT y = 0; y < desc.Height; ++y) {
      auto* row =
          reinterpret_cast<const DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
      pixels.insert(pixels.end(), row, row + desc.Width);
    }
    copy->UnlockRect();
    return pixels;
  }

 private:
  ComPtr<IDirect3D9> m_root;
  ComPtr<IDirect3DDevice9> m_device;
  UINT m_width = 0;
  UINT m_height = 0;
};

}  // namespace tavorin::test
