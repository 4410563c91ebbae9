#include "graphics/DirectXManager.h"

#include <gmock/gmock.h>

#include "graphics/FakeDirect3D.h"
#include "graphics/GraphicsFixture.h"

namespace {

using tavorin::ComPtr;
using ::testing::_;
using ::testing::DoAll;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgPointee;

using DirectXManagerTest = GraphicsFixture;

TEST_F(DirectXManagerTest, CreatesEveryRootOnTheWindow) {
  ASSERT_NE(nullptr, window);
  ComPtr<IDirectXManager> manager;
  ASSERT_EQ(S_OK,
            CreateDirectXManager(manager.ReleaseAndGetAddressOf(), instance, window, &settings));
  D3DPRESENT_PARAMETERS parameters{};
  ASSERT_EQ(S_OK, manager->GetPresentParameters(&parameters));
  D3DDISPLAYMODE mode{};
  ComPtr<IDirect3D9> direct3D(manager->GetDirect3D());
  ASSERT_TRUE(direct3D);
  direct3D->GetAdapterDisplayMode(0, &mode);
  EXPECT_EQ(800u, parameters.BackBufferWidth);
  EXPECT_EQ(600u, parameters.BackBufferHeight);
  EXPECT_EQ(mode.Format, parameters.BackBufferFormat);
  EXPECT_EQ(1u, parameters.BackBufferCount);
  EXPECT_EQ(D3DMULTISAMPLE_NONE, parameters.MultiSampleType);
  EXPECT_EQ(0u, parameters.MultiSampleQuality);
  EXPECT_EQ(D3DSWAPEFFECT_DISCARD, parameters.SwapEffect);
  EXPECT_EQ(window, parameters.hDeviceWindow);
  EXPECT_TRUE(parameters.Windowed);
  EXPECT_TRUE(parameters.EnableAutoDepthStencil);
  EXPECT_EQ(D3DFMT_D16, parameters.AutoDepthStencilFormat);

  ComPtr<IDirect3DDevice9> device(manager->GetDevice());
  ComPtr<IDirectSound8> sound(manager->GetDirectSound());
  ComPtr<IDirectSoundBuffer> primary(manager->GetPrimarySoundBuffer());
  ComPtr<IDirectInput8A> input(manager->GetDirectInput());
  ComPtr<IDirectInputDevice8A> keyboard(manager->GetKeyboardDevice());
  ComPtr<IDirectInputDevice8A> mouse(manager->GetMouseDevice());
  EXPECT_TRUE(device && sound && primary && input && keyboard && mouse);
  DSBCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(S_OK, primary->GetCaps(&caps));
  EXPECT_TRUE(caps.dwFlags & DSBCAPS_PRIMARYBUFFER);

  // Getters hand out references of their own: the manager outlives none of
  // them and they outlive the manager.
  manager.Reset();
  D3DDEVICE_CREATION_PARAMETERS creation{};
  EXPECT_EQ(S_OK, device->GetCreationParameters(&creation));
  EXPECT_EQ(window, creation.hFocusWindow);

  INT size[2] = {640, 480};
  ASSERT_EQ(S_OK,
            CreateDirectXManager(manager.ReleaseAndGetAddressOf(), instance, window, &settings));
  EXPECT_EQ(S_OK, manager->ResizeBackBuffer(size));
  manager->GetPresentParameters(&parameters);
  EXPECT_EQ(640u, parameters.BackBufferWidth);
  EXPECT_EQ(480u, parameters.BackBufferHeight);
}

TEST_F(DirectXManagerTest, BadArgumentsLeaveTheOutPointerNull) {
  IDirectXManager* manager = reinterpret_cast<IDirectXManager*>(0x1);
  EXPECT_EQ(E_INVALIDARG, CreateDirectXManager(&manager, instance, window, nullptr));
  EXPECT_EQ(nullptr, manager);
  EXPECT_EQ(E_POINTER, CreateDirectXManager(nullptr, instance, window, &settings));
}

// An adapter with chosen shader versions that creates real devices.
struct ShaderAdapter {
  explicit ShaderAdapter(DWORD vertexVersion, DWORD pixelVersion, DWORD vertexConstants = 256) {
    adapter = new NiceMock<FakeDirect3D>();
    IDirect3D9* real = adapter->real();
    ON_CALL(*adapter, GetAdapterDisplayMode(_, _))
        .WillByDefault(Invoke(real, &IDirect3D9::GetAdapterDisplayMode));
    ON_CALL(*adapter, GetDeviceCaps(_, _, _))
        .WillByDefault(Invoke([=](UINT a, D3DDEVTYPE type, D3DCAPS9* caps) {
          HRESULT hr = real->GetDeviceCaps(a, type, caps);
          caps->VertexShaderVersion = vertexVersion;
          caps->PixelShaderVersion = pixelVersion;
          caps->MaxVertexShaderConst = vertexConstants;
          return hr;
        }));
    ON_CALL(*adapter, CreateDevice(_, _, _, _, _, _))
        .WillByDefault(Invoke(real, &IDirect3D9::CreateDevice));
  }
  NiceMock<FakeDirect3D>* adapter;
};

TEST_F(DirectXManagerTest, PixelShaderRequirementAboveTheAdapterFails) {
  ShaderAdapter fake(D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0));
  EXPECT_CALL(*fake.adapter, CreateDevice(_, _, _, _, _, _)).Times(0);
  settings.minPixelShaderVersion = D3DPS_VERSION(3, 0);
  IDirectXManager* manager = reinterpret_cast<IDirectXManager*>(0x1);
  EXPECT_EQ(E_FAIL, CreateDirectXManagerOn(&manager, fake.adapter, instance, window, &settings));
  EXPECT_EQ(nullptr, manager);
}

TEST_F(DirectXManagerTest, VertexShaderShortfallSelectsSoftwareProcessing) {
  for (int missing = 0; missing < 2; ++missing) {
    // First the version, then the constant count falls short.
    ShaderAdapter fake(D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0), 256);
    EXPECT_CALL(*fake.adapter, CreateDevice(_, _, _, D3DCREATE_HARDWARE_VERTEXPROCESSING, _, _))
        .Times(0);
    EXPECT_CALL(*fake.adapter, CreateDevice(_, _, _, D3DCREATE_SOFTWARE_VERTEXPROCESSING, _, _))
        .Times(1);
    settings.minVertexShaderVersion = missing == 0 ? D3DVS_VERSION(3, 0) : 0;
    settings.minVertexShaderConstants = missing == 1 ? 257 : 0;
    ComPtr<IDirectXManager> manager;
    EXPECT_EQ(S_OK, CreateDirectXManagerOn(manager.ReleaseAndGetAddressOf(), fake.adapter,
                                           instance, window, &settings));
  }
}

TEST_F(DirectXManagerTest, HardwareDeviceFailureRetriesWithSoftwareAndReportsItsResult) {
  ShaderAdapter fake(D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0));
  EXPECT_CALL(*fake.adapter, CreateDevice(_, _, _, D3DCREATE_HARDWARE_VERTEXPROCESSING, _, _))
      .WillOnce(Return(D3DERR_NOTAVAILABLE));
  EXPECT_CALL(*fake.adapter, CreateDevice(_, _, _, D3DCREATE_SOFTWARE_VERTEXPROCESSING, _, _))
      .WillOnce(Return(D3DERR_OUTOFVIDEOMEMORY));
  IDirectXManager* manager = nullptr;
  EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY,
            CreateDirectXManagerOn(&manager, fake.adapter, instance, window, &settings));
  EXPECT_EQ(nullptr, manager);
}

TEST_F(DirectXManagerTest, DefaultRenderStatesAreSet) {
  ComPtr<IDirectXManager> manager;
  ASSERT_EQ(S_OK,
            CreateDirectXManager(manager.ReleaseAndGetAddressOf(), instance, window, &settings));
  ASSERT_EQ(S_OK, manager->SetDefaultRenderStates());
  ComPtr<IDirect3DDevice9> device(manager->GetDevice());
  auto renderState = [&](D3DRENDERSTATETYPE state) {
    DWORD value = 0xDEADBEEF;
    device->GetRenderState(state, &value);
    return value;
  };
  EXPECT_EQ(DWORD{TRUE}, renderState(D3DRS_ALPHATESTENABLE));
  EXPECT_EQ(DWORD{D3DCMP_GREATER}, renderState(D3DRS_ALPHAFUNC));
  EXPECT_EQ(0u, renderState(D3DRS_ALPHAREF));
  EXPECT_EQ(DWORD{D3DCMP_LESSEQUAL}, renderState(D3DRS_ZFUNC));
  EXPECT_EQ(DWORD{D3DCULL_NONE}, renderState(D3DRS_CULLMODE));
  EXPECT_EQ(DWORD{FALSE}, renderState(D3DRS_LIGHTING));
  EXPECT_EQ(DWORD{D3DBLEND_SRCALPHA}, renderState(D3DRS_SRCBLEND));
  EXPECT_EQ(DWORD{D3DBLEND_INVSRCALPHA}, renderState(D3DRS_DESTBLEND));
  EXPECT_EQ(DWORD{D3DBLEND_ONE}, renderState(D3DRS_DESTBLENDALPHA));
  DWORD value = 0;
  device->GetTextureStageState(1, D3DTSS_COLORARG1, &value);
  EXPECT_EQ(DWORD{D3DTA_CURRENT}, value);
  device->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
  EXPECT_EQ(DWORD{D3DTEXF_POINT}, value);
}

}  // namespace
