#include <IPackManager.h>
#include <comobject.h>
#include <d3d9.h>

#include <gtest/gtest.h>

#include "pack/ArchiveBuilder.h"
#include "pack/RawTexture.h"
#include "support/HeadlessDevice.h"
#include "support/TempDir.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::ArchiveBuilder;
using tavorin::test::Bytes;
using tavorin::test::Concat;
using tavorin::test::CurrentDirectory;
using tavorin::test::Le32;
using tavorin::test::TempDir;

// A raw texture whose pixel (x, y) is 0xAARRGGBB = (x, y, x + y, 0xFF).
Bytes RawTexture(int32_t width, int32_t height, size_t dropBytes = 0) {
  Bytes bytes = Concat({{'T', 'E', 'E', 'V'}, Le32(uint32_t(width)), Le32(uint32_t(height))});
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      bytes.insert(bytes.end(), {uint8_t(x + y), uint8_t(y), uint8_t(x), 0xFF});
    }
  }
  bytes.resize(bytes.size() - dropBytes);
  return bytes;
}

// A 24-bit bottom-up BMP of `width` × `height` with pixel (x, y) = (r x, g y, b 7).
Bytes Bitmap(int32_t width, int32_t height) {
  uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
  uint32_t pixels = rowBytes * uint32_t(height);
  Bytes bytes = Concat({{'B', 'M'},
                        Le32(54 + pixels),
                        Le32(0),
                        Le32(54),
                        Le32(40),
                        Le32(uint32_t(width)),
                        Le32(uint32_t(height)),
                        {1, 0, 24, 0},
                        Le32(0),
                        Le32(pixels),
                        Le32(2835),
                        Le32(2835),
                        Le32(0),
                        Le32(0)});
  for (int32_t y = height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < width; ++x) bytes.insert(bytes.end(), {7, uint8_t(y), uint8_t(x)});
    bytes.resize(bytes.size() + rowBytes - uint32_t(width) * 3);
  }
  return bytes;
}

struct TextureLoadTest : ::testing::Test {
  ComPtr<IPackManager> Manager() {
    ComPtr<IPackManager> manager;
    EXPECT_EQ(S_OK, CreatePackManager(manager.ReleaseAndGetAddressOf()));
    return manager;
  }
  // Texel (x, y) of level 0, and the level's size.
  static DWORD Texel(IDirect3DTexture9* texture, UINT x, UINT y) {
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
    DWORD texel =
        reinterpret_cast<const DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x];
    texture->UnlockRect(0);
    return texel;
  }
  static SIZE LevelSize(IDirect3DTexture9* texture) {
    D3DSURFACE_DESC description{};
    texture->GetLevelDesc(0, &description);
    return {LONG(description.Width), LONG(description.Height)};
  }

  tavorin::test::HeadlessDevice device;
  TempDir dir;
  CurrentDirectory here{dir.path()};
};

TEST_F(TextureLoadTest, RawTexturesBecomeSquarePowerOfTwoTexturesWithTheImageTopLeft) {
  dir.Write("wide.tex", RawTexture(300, 100));
  dir.Write("dot.tex", RawTexture(1, 1));
  ComPtr<IPackManager> manager = Manager();
  ComPtr<IDirect3DTexture9> texture;
  INT size[2] = {};
  ASSERT_EQ(S_OK,
            manager->LoadTexture(texture.ReleaseAndGetAddressOf(), device.Get(), "wide.tex", size));
  EXPECT_EQ(300, size[0]);
  EXPECT_EQ(100, size[1]);
  SIZE level = LevelSize(texture.Get());
  EXPECT_EQ(512, level.cx);
  EXPECT_EQ(512, level.cy);
  EXPECT_EQ(D3DCOLOR_ARGB(0xFF, 0, 0, 0), Texel(texture.Get(), 0, 0));
  EXPECT_EQ(D3DCOLOR_ARGB(0xFF, 299 & 0xFF, 99, (299 + 99) & 0xFF), Texel(texture.Get(), 299, 99));
  EXPECT_EQ(0u, Texel(texture.Get(), 300, 99) >> 24) << "texels right of the image stay empty";

  ASSERT_EQ(S_OK, manager->LoadTexture(texture.ReleaseAndGetAddressOf(), device.Get(), "dot.tex",
                                       nullptr));
  level = LevelSize(texture.Get());
  EXPECT_EQ(1, level.cx);
  EXPECT_EQ(1, level.cy);
}

TEST_F(TextureLoadTest, StripsSquareUpWithinTheBudgetAndBeyondItAreRefusedBeforeAllocating) {
  // 64 KiB of strip make a 4 MiB texture: content relies on that.
  dir.Write("strip.tex", RawTexture(1024, 16));
  // 32 KiB of strip would make a 256 MiB texture.
  dir.Write("needle.tex", RawTexture(1, 8192));
  ComPtr<IPackManager> manager = Manager();
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(S_OK, manager->LoadTexture(texture.ReleaseAndGetAddressOf(), device.Get(), "strip.tex",
                                       nullptr));
  EXPECT_EQ(1024, LevelSize(texture.Get()).cx);
  IDirect3DTexture9* none = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_EQ(E_OUTOFMEMORY,
            tavorin::pack::LoadRawTexture(device.Get(), "needle.tex", nullptr, &none, nullptr));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(E_OUTOFMEMORY, manager->LoadTexture(&none, device.Get(), "needle.tex", nullptr));
  EXPECT_EQ(nullptr, none);
}

TEST_F(TextureLoadTest, ArchiveFirstThenLooseRawThenImageFiles) {
  // The archive's raw texture wins over a loose file of the same name; an
  // archived "Chip.bmp" that is a real bitmap falls back to the loose one,
  // which only the image loader reads.
  dir.Write("Data.pac", ArchiveBuilder()
                            .FileCount(2)
                            .File("a.tex", RawTexture(2, 2))
                            .File("Chip.bmp", Bitmap(8, 8))
                            .Build());
  dir.Write("a.tex", RawTexture(4, 4));
  dir.Write("Chip.bmp", Bitmap(242, 21));
  ComPtr<IPackManager> manager = Manager();
  ComPtr<IDirect3DTexture9> texture;
  INT size[2] = {};
  ASSERT_EQ(S_OK,
            manager->LoadTexture(texture.ReleaseAndGetAddressOf(), device.Get(), "a.tex", size));
  EXPECT_EQ(2, size[0]);

  ASSERT_EQ(S_OK,
            manager->LoadTexture(texture.ReleaseAndGetAddressOf(), device.Get(), "Chip.bmp", size));
  EXPECT_EQ(242, size[0]) << "the image's own size, not the texture's";
  EXPECT_EQ(21, size[1]);
  SIZE level = LevelSize(texture.Get());
  EXPECT_EQ(256, level.cx);
  EXPECT_EQ(32, level.cy);
  EXPECT_EQ(D3DCOLOR_ARGB(0xFF, 241, 20, 7), Texel(texture.Get(), 241, 20));
  DWORD levels = texture->GetLevelCount();
  EXPECT_EQ(1u, levels);
}

TEST_F(TextureLoadTest, MissingAndMalformedFilesFailWithoutATexture) {
  ComPtr<IPackManager> manager = Manager();
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_TRUE(FAILED(manager->LoadTexture(&texture, device.Get(), "absent.tex", nullptr)));
  EXPECT_EQ(nullptr, texture);
  EXPECT_EQ(E_INVALIDARG, manager->LoadTexture(&texture, nullptr, "absent.tex", nullptr));
  EXPECT_EQ(E_POINTER, manager->LoadTexture(nullptr, device.Get(), "absent.tex", nullptr));

  struct Case {
    const char* what;
    Bytes bytes;
    HRESULT expected;
  };
  const Case cases[] = {
      {"wrong magic", Concat({{'T', 'E', 'E', 'X'}, Le32(1), Le32(1), Le32(0)}), E_ACCESSDENIED},
      {"zero width", RawTexture(0, 4), E_ACCESSDENIED},
      {"negative height", Concat({{'T', 'E', 'E', 'V'}, Le32(4), Le32(uint32_t(-4))}),
       E_ACCESSDENIED},
      {"huge sides", Concat({{'T', 'E', 'E', 'V'}, Le32(0x7FFFFFFF), Le32(0x7FFFFFFF)}),
       E_ACCESSDENIED},
      {"sides past memory", Concat({{'T', 'E', 'E', 'V'}, Le32(1 << 30), Le32(1 << 30)}), E_FAIL},
      {"truncated pixels", RawTexture(16, 16, 1), E_FAIL},
      {"truncated header", Bytes{'T', 'E', 'E', 'V', 1, 0}, E_ACCESSDENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("bad.tex", c.bytes);
    EXPECT_EQ(c.expected,
              tavorin::pack::LoadRawTexture(device.Get(), "bad.tex", nullptr, &texture, nullptr));
    EXPECT_EQ(nullptr, texture);
    // Through the manager the image loader has the last word: not an image.
    EXPECT_TRUE(FAILED(manager->LoadTexture(&texture, device.Get(), "bad.tex", nullptr)));
    EXPECT_EQ(nullptr, texture);
  }
}

}  // namespace
