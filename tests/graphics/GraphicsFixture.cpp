#include "graphics/GraphicsFixture.h"

#include <cstring>

using tavorin::ComPtr;

GraphicsFixture::GraphicsFixture() : instance(GetModuleHandleA(nullptr)) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "GraphicsTest";
  RegisterClassA(&windowClass);
  window = CreateWindowExA(0, "GraphicsTest", "graphics", WS_VISIBLE, 0, 0, 800, 600, nullptr,
                           nullptr, instance, nullptr);
  settings.width = 800;
  settings.height = 600;
  settings.autoDepthStencil = TRUE;
}

GraphicsFixture::~GraphicsFixture() {
  if (window) DestroyWindow(window);
}

std::vector<DWORD> GraphicsFixture::ReadBackBuffer(IDirect3DDevice9* device, UINT* width,
                                                   UINT* height) {
  ComPtr<IDirect3DSurface9> backBuffer, copy;
  EXPECT_EQ(S_OK, device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO,
                                        backBuffer.ReleaseAndGetAddressOf()));
  D3DSURFACE_DESC description{};
  backBuffer->GetDesc(&description);
  EXPECT_EQ(S_OK, device->CreateOffscreenPlainSurface(description.Width, description.Height,
                                                      description.Format, D3DPOOL_SYSTEMMEM,
                                                      copy.ReleaseAndGetAddressOf(), nullptr));
  EXPECT_EQ(S_OK, device->GetRenderTargetData(backBuffer.Get(), copy.Get()));
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(S_OK, copy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
  std::vector<DWORD> pixels(size_t{description.Width} * description.Height);
  for (UINT y = 0; y < description.Height; ++y) {
    std::memcpy(&pixels[size_t{y} * description.Width],
                static_cast<BYTE*>(locked.pBits) + size_t{y} * locked.Pitch,
                description.Width * sizeof(DWORD));
  }
  copy->UnlockRect();
  *width = description.Width;
  *height = description.Height;
  return pixels;
}
