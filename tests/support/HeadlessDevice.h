// A Direct3D device on a hidden dummy-driver window, for tests that need
// textures or drawing but no particular frame size.
#pragma once

#include <comobject.h>
#include <d3d9.h>

namespace tavorin::test {

class HeadlessDevice {
 public:
  explicit HeadlessDevice(UINT width = 64, UINT height = 64) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "HeadlessDevice";
    RegisterClassA(&windowClass);  // fails harmlessly when already registered
    m_window = CreateWindowExA(0, "HeadlessDevice", "device", 0, 0, 0, int(width), int(height),
                               nullptr, nullptr, nullptr, nullptr);
    ComPtr<IDirect3D9> direct3D(Direct3DCreate9(D3D_SDK_VERSION));
    if (m_window == nullptr || !direct3D) return;
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = m_window;
    parameters.Windowed = TRUE;
    direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                           m_device.ReleaseAndGetAddressOf());
  }
  ~HeadlessDevice() {
    m_device.Reset();
    if (m_window != nullptr) DestroyWindow(m_window);
  }
  HeadlessDevice(const HeadlessDevice&) = delete;
  HeadlessDevice& operator=(const HeadlessDevice&) = delete;

  // Null when no device could be made.
  IDirect3DDevice9* Get() const { return m_device.Get(); }

 private:
  HWND m_window = nullptr;
  ComPtr<IDirect3DDevice9> m_device;
};

}  // namespace tavorin::test
