// Direct3D root and device calls: creation, caps, states, resources and the
// documented errors for bad arguments.
#include <d3d9_shader_ext.h>
#include <functional>
#include <platform_test_d3d9.h>

#include "platform_d3d9/D3D9TestDevice.h"

namespace tavorin::test {
namespace {

TEST(D3D9DeviceCallsTest, RootReportsOneSingleSampledAdapterWithHonestCaps) {
  ComPtr<IDirect3D9> root(Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_TRUE(root);
  EXPECT_EQ(Direct3DCreate9(31), nullptr);
  EXPECT_EQ(root->GetAdapterCount(), 1u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(root->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_GT(mode.Width, 0u);
  DWORD levels = 7;
  EXPECT_EQ(root->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                             D3DMULTISAMPLE_NONE, &levels),
            D3D_OK);
  EXPECT_EQ(levels, 1u);
  for (auto type : {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES, D3DMULTISAMPLE_8_SAMPLES}) {
    EXPECT_EQ(root->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_D16, TRUE, type, &levels),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(levels, 0u);
  }
  D3DCAPS9 caps{};
  ASSERT_EQ(root->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY), 0u);
  EXPECT_EQ(caps.VertexShaderVersion, D3DVS_VERSION(2, 0));
  EXPECT_EQ(caps.PixelShaderVersion, D3DPS_VERSION(2, 0));
  EXPECT_EQ(caps.MaxStreams, 4u);

  // The test restriction shows in the caps and is enforced by new devices.
  D3D9SetTextureCapsRestriction(D3DPTEXTURECAPS_POW2);
  ASSERT_EQ(root->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_POW2);
  D3D9TestDevice restricted;
  D3D9SetTextureCapsRestriction(0);
  ComPtr<IDirect3DTexture9> texture;
  EXPECT_EQ(restricted->CreateTexture(6, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                      texture.ReleaseAndGetAddressOf(), nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(restricted->CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                      texture.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
}

TEST(D3D9DeviceCallsTest, StatesHoldUntilSetAgainAndResetRestoresDefaults) {
  D3D9TestDevice device;
  DWORD value = 0;
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, DWORD{D3DCULL_CCW});
  device->GetRenderState(D3DRS_LIGHTING, &value);
  EXPECT_EQ(value, DWORD{TRUE});
  device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, DWORD{D3DTOP_DISABLE});
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, DWORD{D3DCULL_NONE});
  device->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
  EXPECT_EQ(value, DWORD{D3DTEXF_LINEAR});

  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 32;
  pp.BackBufferHeight = 16;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = HeadlessWindow();
  pp.Windowed = TRUE;
  ASSERT_EQ(device->Reset(&pp), D3D_OK);
  EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);  // UNKNOWN takes the desktop format
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, DWORD{D3DCULL_CCW});
  D3DVIEWPORT9 viewport;
  device->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 32u);
  EXPECT_EQ(device.ReadBack().size(), 32u * 16u);

  // A refused Reset keeps the old swap chain.
  pp.Windowed = FALSE;
  EXPECT_EQ(device->Reset(&pp), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device.ReadBack().size(), 32u * 16u);
}

TEST(D3D9DeviceCallsTest, DefaultPoolResourcesBlockResetAndLockOnlyWhenDynamic) {
  D3D9TestDevice device;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 32;
  pp.BackBufferHeight = 16;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = HeadlessWindow();
  pp.Windowed = TRUE;
  D3DLOCKED_RECT locked;

  // A plain default-pool texture lives in the card's memory: no locking,
  // neither of the texture nor of its levels.
  ComPtr<IDirect3DTexture9> fixed;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                  fixed.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  EXPECT_EQ(fixed->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  ComPtr<IDirect3DSurface9> level;
  ASSERT_EQ(fixed->GetSurfaceLevel(0, level.ReleaseAndGetAddressOf()), D3D_OK);
  EXPECT_EQ(level->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
  ComPtr<IDirect3DTexture9> dynamic;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                  dynamic.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  ASSERT_EQ(dynamic->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(dynamic->UnlockRect(0), D3D_OK);

  // Reset waits until every default-pool resource is gone; managed ones and
  // the back buffer may stay.
  ComPtr<IDirect3DVertexBuffer9> vertices;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, vertices.ReleaseAndGetAddressOf(),
                                       nullptr),
            D3D_OK);
  ComPtr<IDirect3DSurface9> plain;
  ASSERT_EQ(device->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                                plain.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  ComPtr<IDirect3DTexture9> managed;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                  managed.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  ComPtr<IDirect3DSurface9> backBuffer;
  ASSERT_EQ(
      device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.ReleaseAndGetAddressOf()),
      D3D_OK);
  fixed.Reset();
  for (auto release :
       std::vector<std::function<void()>>{[&] { level.Reset(); }, [&] { dynamic.Reset(); },
                                          [&] { vertices.Reset(); }, [&] { plain.Reset(); }}) {
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    release();
  }
  EXPECT_EQ(device->Reset(&pp), D3D_OK);
}

TEST(D3D9DeviceCallsTest, ResourcesLockAsDocumentedAndSurviveTheirHolders) {
  D3D9TestDevice device;
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(device->CreateTexture(16, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                  texture.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 5u);  // 16×4, 8×2, 4×1, 2×1, 1×1
  D3DSURFACE_DESC desc;
  ASSERT_EQ(texture->GetLevelDesc(4, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 1u);
  EXPECT_EQ(texture->GetLevelDesc(5, &desc), D3DERR_INVALIDCALL);

  D3DLOCKED_RECT locked, second;
  RECT rect = {2, 1, 5, 3};
  ASSERT_EQ(texture->LockRect(0, &locked, &rect, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 64);
  static_cast<DWORD*>(locked.pBits)[0] = 0xABCDEF;
  EXPECT_EQ(texture->LockRect(0, &second, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
  RECT outside = {10, 0, 17, 1};
  EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);

  // A level surface shares the texels and keeps the texture alive.
  ComPtr<IDirect3DSurface9> surface;
  ASSERT_EQ(texture->GetSurfaceLevel(0, surface.ReleaseAndGetAddressOf()), D3D_OK);
  texture.Reset();
  ASSERT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<DWORD*>(locked.pBits)[1 * 16 + 2], 0xABCDEFu);
  surface->UnlockRect();

  ComPtr<IDirect3DVertexBuffer9> vertices;
  ASSERT_EQ(device->CreateVertexBuffer(80 * 3, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                       vertices.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  void* data = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, &data, 0), D3D_OK);
  std::memset(data, 7, 240);
  vertices->Unlock();
  ASSERT_EQ(vertices->Lock(160, 80, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<BYTE*>(data)[79], 7);
  vertices->Unlock();
  EXPECT_EQ(vertices->Lock(200, 80, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(data, nullptr);

  // Resources outlive the device; asking them for it then fails cleanly.
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(vertices->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device.Get());
  owner->Release();
}

TEST(D3D9DeviceCallsTest, NullAndOutOfRangeArgumentsAreInvalidCalls) {
  ComPtr<IDirect3D9> root(Direct3DCreate9(D3D_SDK_VERSION));
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  IDirect3DDevice9* none = reinterpret_cast<IDirect3DDevice9*>(0x1);
  EXPECT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                               &none),
            D3DERR_INVALIDCALL);  // no window at all
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(root->CreateDevice(1, D3DDEVTYPE_HAL, HeadlessWindow(), 0x40, &pp, &none),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, HeadlessWindow(), 0x40, nullptr, &none),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(root->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(root->GetAdapterDisplayMode(3, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(root->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr), D3DERR_INVALIDCALL);

  D3D9TestDevice device;
  IDirect3DDevice9* d = device.Get();
  const HRESULT bad = D3DERR_INVALIDCALL;
  EXPECT_EQ(d->GetDeviceCaps(nullptr), bad);
  EXPECT_EQ(d->Reset(nullptr), bad);
  EXPECT_EQ(d->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, nullptr), bad);
  IDirect3DSurface9* surface = nullptr;
  EXPECT_EQ(d->GetBackBuffer(1, 0, D3DBACKBUFFER_TYPE_MONO, &surface), bad);
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(d->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), bad);
  EXPECT_EQ(
      d->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
      bad);
  EXPECT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &texture, nullptr), bad);
  EXPECT_EQ(d->CreateTexture(4, 4, 9, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), bad);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr), bad);
  IDirect3DIndexBuffer9* indices = nullptr;
  EXPECT_EQ(d->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices, nullptr), bad);
  EXPECT_EQ(d->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr), bad);
  IDirect3DVertexBuffer9* vertices = nullptr;
  EXPECT_EQ(
      d->CreateVertexBuffer(8, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_MANAGED, &vertices, nullptr),
      bad);  // shorter than one vertex
  EXPECT_EQ(d->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), bad);
  EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), bad);  // no depth buffer
  EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), bad);
  EXPECT_EQ(d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(4096), 0), bad);
  EXPECT_EQ(d->GetRenderState(D3DRS_ZENABLE, nullptr), bad);
  EXPECT_EQ(d->SetTextureStageState(8, D3DTSS_COLOROP, 0), bad);
  EXPECT_EQ(d->SetSamplerState(16, D3DSAMP_MINFILTER, 0), bad);
  EXPECT_EQ(d->SetTexture(8, nullptr), bad);
  EXPECT_EQ(d->SetStreamSource(4, nullptr, 0, 0), bad);
  EXPECT_EQ(d->SetTransform(D3DTS_WORLD, nullptr), bad);
  EXPECT_EQ(d->SetTransform(D3DTS_WORLDMATRIX(5), nullptr), bad);
  D3DVIEWPORT9 outside = {60, 0, 10, 10, 0, 1};
  EXPECT_EQ(d->SetViewport(&outside), bad);
  EXPECT_EQ(d->SetFVF(D3DFVF_XYZB3), bad);
  float constants[8] = {};
  EXPECT_EQ(d->SetVertexShaderConstantF(255, constants, 2), bad);
  EXPECT_EQ(d->SetPixelShaderConstantF(0, nullptr, 1), bad);
  EXPECT_EQ(d->EndScene(), bad);
  EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  // Draw calls: outside a scene, without vertices, past the buffer's end.
  ScreenVertex quad[4] = {};
  d->SetFVF(kScreenFvf);
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof quad[0]), bad);
  ASSERT_EQ(d->BeginScene(), D3D_OK);
  EXPECT_EQ(d->BeginScene(), bad);
  EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), bad);  // inside a scene
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, nullptr, sizeof quad[0]), bad);
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 0, quad, sizeof quad[0]), bad);
  EXPECT_EQ(d->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(9), 1, quad, sizeof quad[0]), bad);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), bad);  // nothing bound
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), bad);
  ComPtr<IDirect3DVertexBuffer9> buffer;
  ASSERT_EQ(d->CreateVertexBuffer(sizeof quad, 0, 0, D3DPOOL_MANAGED,
                                  buffer.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  ASSERT_EQ(d->SetStreamSource(0, buffer.Get(), 0, sizeof quad[0]), D3D_OK);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1), bad);  // vertices 2..4 of 4
  const WORD far[3] = {0, 1, 7};
  EXPECT_EQ(d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, far, D3DFMT_INDEX16, quad,
                                      sizeof quad[0]),
            bad);  // index 7 outside the 4 vertices declared
  EXPECT_EQ(d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, far, D3DFMT_X8R8G8B8, quad,
                                      sizeof quad[0]),
            bad);
  // A texture from another device is refused.
  D3D9TestDevice other;
  auto foreign = other.MakeTexture(2, 2, [](UINT, UINT) { return 0u; });
  EXPECT_EQ(d->SetTexture(0, foreign.Get()), bad);
  EXPECT_EQ(d->EndScene(), D3D_OK);

  EXPECT_EQ(D3DCreateVertexShaderFromFunction(d, nullptr, nullptr), bad);
  IDirect3DVertexShader9* shader = nullptr;
  EXPECT_EQ(D3DCreateVertexShaderFromFunction(
                nullptr, [](auto&, auto&) {}, &shader),
            bad);
  EXPECT_EQ(D3DCreateVertexShaderFromFunction(d, nullptr, &shader), bad);
  EXPECT_EQ(shader, nullptr);
}

TEST(D3D9DeviceCallsTest, PresentKeepsTheFrameForReadBack) {
  D3D9TestDevice device(4, 2);
  std::vector<DWORD> frame;
  UINT width = 0, height = 0;
  EXPECT_FALSE(D3D9ReadPresentedFrame(device.Get(), &frame, &width, &height));
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00303080, 1.0f, 0);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_TRUE(D3D9ReadPresentedFrame(device.Get(), &frame, &width, &height));
  EXPECT_EQ(width, 4u);
  EXPECT_EQ(height, 2u);
  for (DWORD pixel : frame) EXPECT_EQ(pixel, 0xFF303080u);
  EXPECT_EQ(D3D9WindowPresentCount(device.Get()), 0u);  // no window behind the handle
  EXPECT_FALSE(D3D9ReadPresentedFrame(nullptr, &frame, &width, &height));
}

}  // namespace
}  // namespace tavorin::test
