#include <gtest/gtest.h>

#include "graphics/GraphicsFixture.h"

namespace {

using tavorin::ComPtr;

constexpr D3DCOLOR kClear = 0xFF303080;

// A 256 × 32 texture: texel (x, y) is opaque with colour channels from its
// position, except column 5 of every row, which is fully transparent, and
// row 1, whose texels are half transparent white.
ComPtr<IDirect3DTexture9> MakeTexture(IDirect3DDevice9* device) {
  ComPtr<IDirect3DTexture9> texture;
  EXPECT_EQ(S_OK, device->CreateTexture(256, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                        texture.ReleaseAndGetAddressOf(), nullptr));
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(S_OK, texture->LockRect(0, &locked, nullptr, 0));
  for (int y = 0; y < 32; ++y) {
    auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < 256; ++x) {
      row[x] = D3DCOLOR_ARGB(255, x, y * 8, 0x11);
      if (y == 1) row[x] = D3DCOLOR_ARGB(128, 255, 255, 255);
      if (x == 5) row[x] = 0;
    }
  }
  texture->UnlockRect(0);
  return texture;
}

struct TexturedRectTest : GraphicsFixture {
  void SetUp() override {
    ASSERT_EQ(S_OK,
              CreateDirectXManager(manager.ReleaseAndGetAddressOf(), instance, window, &settings));
    manager->SetDefaultRenderStates();
    device = ComPtr<IDirect3DDevice9>(manager->GetDevice());
    texture = MakeTexture(device.Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0);
    device->BeginScene();
  }
  DWORD At(int x, int y) { return pixels[size_t(y) * width + x] & 0x00FFFFFF; }
  void ReadBack() {
    device->EndScene();
    pixels = ReadBackBuffer(device.Get(), &width, &height);
  }

  ComPtr<IDirectXManager> manager;
  ComPtr<IDirect3DDevice9> device;
  ComPtr<IDirect3DTexture9> texture;
  std::vector<DWORD> pixels;
  UINT width = 0, height = 0;
};

TEST_F(TexturedRectTest, SourceRowLandsOneToOneWithAlphaTestAndBlending) {
  // A 242 × 21 chip from row 0 at (530, 570): its bottom-right texel lands
  // on the last pixel of the 800 × 600 target.
  RECT source = {0, 0, 242, 21};
  EXPECT_EQ(1, DrawTexturedRect(&source, texture.Get(), device.Get(), 530.0f, 570.0f));
  ReadBack();
  ASSERT_EQ(800u, width);
  EXPECT_EQ(0x000011u, At(530, 570));
  EXPECT_EQ(D3DCOLOR_XRGB(241, 160, 0x11) & 0xFFFFFF, At(771, 590));
  EXPECT_EQ(D3DCOLOR_XRGB(7, 0, 0x11) & 0xFFFFFF, At(537, 570));
  EXPECT_EQ(kClear & 0xFFFFFF, At(535, 575)) << "alpha 0 is not drawn";
  EXPECT_EQ(kClear & 0xFFFFFF, At(529, 570)) << "nothing left of the quad";
  EXPECT_EQ(kClear & 0xFFFFFF, At(772, 590)) << "nothing right of the quad";
  EXPECT_EQ(kClear & 0xFFFFFF, At(600, 569)) << "nothing above the quad";
  // Row 1 is half-transparent white over the clear colour.
  DWORD blended = At(600, 571);
  auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
  EXPECT_TRUE(near((blended >> 16) & 0xFF, (0x30 + 255) / 2)) << std::hex << blended;
  EXPECT_TRUE(near(blended & 0xFF, (0x80 + 255) / 2)) << std::hex << blended;
}

TEST_F(TexturedRectTest, NullSourceDrawsTheWholeTextureAndNullTextureNothing) {
  EXPECT_EQ(0, DrawTexturedRect(nullptr, nullptr, device.Get(), 0.0f, 0.0f));
  EXPECT_EQ(1, DrawTexturedRect(nullptr, texture.Get(), device.Get(), 10.0f, 20.0f));
  ReadBack();
  EXPECT_EQ(0x000011u, At(10, 20));
  EXPECT_EQ(D3DCOLOR_XRGB(255, 248, 0x11) & 0xFFFFFF, At(265, 51));
  EXPECT_EQ(kClear & 0xFFFFFF, At(266, 51));
  EXPECT_EQ(kClear & 0xFFFFFF, At(265, 52));
  EXPECT_EQ(kClear & 0xFFFFFF, At(9, 20));
}

}  // namespace
