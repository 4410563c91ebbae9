// Resources asked for their device on one thread while the device's last
// reference goes on another.
#include <atomic>
#include <thread>

#include "platform_d3d9/D3D9TestDevice.h"

namespace tavorin::test {
namespace {

TEST(D3D9DeviceLinkTest, GetDeviceNeverRevivesADeviceBeingDestroyed) {
  ComPtr<IDirect3D9> root(Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_TRUE(root);
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 8;
  pp.BackBufferHeight = 8;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = HeadlessWindow();
  pp.Windowed = TRUE;
  for (int round = 0; round < 100; ++round) {
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(root->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, HeadlessWindow(),
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    ComPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                    texture.ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    std::atomic<bool> started{false};
    std::atomic<int> wrongOwner{0};
    std::thread asker([&] {
      started = true;
      for (;;) {
        IDirect3DDevice9* owner = nullptr;
        if (FAILED(texture->GetDevice(&owner))) break;
        // A device handed out is whole: asking it something must work.
        D3DDEVICE_CREATION_PARAMETERS creation{};
        if (FAILED(owner->GetCreationParameters(&creation))) ++wrongOwner;
        owner->Release();
      }
    });
    while (!started) std::this_thread::yield();
    device->Release();
    asker.join();
    EXPECT_EQ(0, wrongOwner.load());
    IDirect3DDevice9* none = reinterpret_cast<IDirect3DDevice9*>(1);
    EXPECT_EQ(texture->GetDevice(&none), D3DERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);
  }
}

}  // namespace
}  // namespace tavorin::test
