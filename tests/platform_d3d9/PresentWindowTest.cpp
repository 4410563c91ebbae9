// Present into a real (dummy-driver) SDL window created through Win32.
#include <platform_test_d3d9.h>
#include <windows.h>

#include "platform_d3d9/D3D9TestDevice.h"

namespace tavorin::test {
namespace {

TEST(D3D9PresentWindowTest, DeviceTakesTheClientSizeAndPresentsIntoTheWindow) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "D3D9PresentWindowTest";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND window = CreateWindowExA(0, "D3D9PresentWindowTest", "present", WS_OVERLAPPEDWINDOW, 0, 0,
                                120, 90, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  {
    ComPtr<IDirect3D9> root(Direct3DCreate9(D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS pp{};
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.hDeviceWindow = window;
    ComPtr<IDirect3DDevice9> device;
    ASSERT_EQ(root->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                 device.ReleaseAndGetAddressOf()),
              D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 120u);  // zero sizes take the client area
    EXPECT_EQ(pp.BackBufferHeight, 90u);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00303080, 1.0f, 0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(D3D9WindowPresentCount(device.Get()), 1u);

    // A gone window still lets Present keep the frame.
    DestroyWindow(window);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF0000, 1.0f, 0);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(D3D9WindowPresentCount(device.Get()), 1u);
    std::vector<DWORD> frame;
    UINT width, height;
    ASSERT_TRUE(D3D9ReadPresentedFrame(device.Get(), &frame, &width, &height));
    EXPECT_EQ(frame[0], 0xFFFF0000u);
  }
  UnregisterClassA("D3D9PresentWindowTest", windowClass.hInstance);
}

}  // namespace
}  // namespace tavorin::test
