// D3DX image-file textures over SDL2_image, with fixtures written by SDL.
#include <SDL.h>
#include <SDL_image.h>
#include <d3dx9.h>
#include <platform_test_d3d9.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform_d3d9/D3D9TestDevice.h"
#include "support/TempDir.h"

namespace tavorin::test {
namespace {

DWORD Pattern(int x, int y, bool alpha) {
  DWORD a = alpha ? static_cast<DWORD>((x * 40 + 15) & 0xFF) : 0xFF;
  return a << 24 | static_cast<DWORD>(x * 30) << 16 | static_cast<DWORD>(y * 50) << 8 | 0x5A;
}

// A w × h image of Pattern written by SDL as BMP or PNG.
std::string WriteImage(const TempDir& dir, const char* name, int w, int h, bool alpha) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  for (int y = 0; y < h; ++y) {
    auto* row =
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < w; ++x) row[x] = Pattern(x, y, alpha);
  }
  std::string path = dir.File(name);
  std::string ext = path.substr(path.size() - 3);
  if (ext == "png") {
    EXPECT_EQ(IMG_SavePNG(surface, path.c_str()), 0);
  } else {
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0);
    EXPECT_EQ(SDL_SaveBMP(rgb, path.c_str()), 0);
    SDL_FreeSurface(rgb);
  }
  SDL_FreeSurface(surface);
  return path;
}

// An uncompressed 32-bit top-down TGA.
std::string WriteTga(const TempDir& dir, int w, int h) {
  std::string path = dir.File("image.tga");
  std::ofstream out(path, std::ios::binary);
  unsigned char header[18] = {0, 0, 2};
  header[12] = static_cast<unsigned char>(w);
  header[13] = static_cast<unsigned char>(w >> 8);
  header[14] = static_cast<unsigned char>(h);
  header[15] = static_cast<unsigned char>(h >> 8);
  header[16] = 32;
  header[17] = 0x28;  // 8 alpha bits, top-left origin
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      DWORD p = Pattern(x, y, true);
      unsigned char bgra[4] = {static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 8),
                               static_cast<unsigned char>(p >> 16),
                               static_cast<unsigned char>(p >> 24)};
      out.write(reinterpret_cast<const char*>(bgra), 4);
    }
  }
  return path;
}

DWORD TexelAt(IDirect3DTexture9* texture, UINT x, UINT y) {
  D3DLOCKED_RECT locked;
  if (texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return 0xDEADBEEF;
  DWORD value =
      reinterpret_cast<const DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x];
  texture->UnlockRect(0);
  return value;
}

TEST(D3DXTextureFromFileTest, ImagesLandTopLeftInAPowerOfTwoTextureWithTransparentRest) {
  TempDir dir;
  D3D9TestDevice device;
  for (const char* name : {"image.png", "image.bmp"}) {
    bool alpha = std::string(name) == "image.png";
    std::string path = WriteImage(dir, name, 5, 3, alpha);
    ComPtr<IDirect3DTexture9> texture;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device.Get(), path.c_str(), 0, 0, 1, 0, D3DFMT_A8R8G8B8,
                                           D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                           &info, nullptr, texture.ReleaseAndGetAddressOf()),
              D3D_OK)
        << name;
    EXPECT_EQ(info.Width, 5u);
    EXPECT_EQ(info.Height, 3u);
    EXPECT_EQ(info.ImageFileFormat, alpha ? D3DXIFF_PNG : D3DXIFF_BMP);
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    EXPECT_EQ(TexelAt(texture.Get(), 0, 0), Pattern(0, 0, alpha)) << name;
    EXPECT_EQ(TexelAt(texture.Get(), 4, 2), Pattern(4, 2, alpha)) << name;
    EXPECT_EQ(TexelAt(texture.Get(), 5, 0), 0u);
    EXPECT_EQ(TexelAt(texture.Get(), 0, 3), 0u);

    D3DXIMAGE_INFO only{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &only), D3D_OK);
    EXPECT_EQ(only.Width, 5u);
    EXPECT_EQ(only.Format, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
  }

  // D3DX_DEFAULT_NONPOW2 keeps the exact size; TGA is read too.
  std::string tga = WriteTga(dir, 6, 3);
  ComPtr<IDirect3DTexture9> exact;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device.Get(), tga.c_str(), D3DX_DEFAULT_NONPOW2,
                                         D3DX_DEFAULT_NONPOW2, 1, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                         nullptr, nullptr, exact.ReleaseAndGetAddressOf()),
            D3D_OK);
  D3DSURFACE_DESC desc;
  exact->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 6u);
  EXPECT_EQ(desc.Height, 3u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(TexelAt(exact.Get(), 5, 2), Pattern(5, 2, true));
}

TEST(D3DXTextureFromFileTest, JpegImagesLoadAtTheirOwnSize) {
  TempDir dir;
  // A flat colour survives JPEG's loss within a few steps.
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 10, 6, 24, SDL_PIXELFORMAT_RGB24);
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 200, 100, 50));
  std::string path = dir.File("photo.jpg");
  ASSERT_EQ(IMG_SaveJPG(surface, path.c_str(), 95), 0);
  SDL_FreeSurface(surface);

  D3DXIMAGE_INFO info{};
  ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK);
  EXPECT_EQ(info.Width, 10u);
  EXPECT_EQ(info.Height, 6u);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
  D3D9TestDevice device;
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device.Get(), path.c_str(), 0, 0, 1, 0, D3DFMT_A8R8G8B8,
                                         D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                         nullptr, nullptr, texture.ReleaseAndGetAddressOf()),
            D3D_OK);
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 16u);
  EXPECT_EQ(desc.Height, 8u);
  DWORD texel = TexelAt(texture.Get(), 9, 5);
  EXPECT_NEAR(double((texel >> 16) & 0xFF), 200, 4);
  EXPECT_NEAR(double((texel >> 8) & 0xFF), 100, 4);
  EXPECT_NEAR(double(texel & 0xFF), 50, 4);
  EXPECT_EQ(TexelAt(texture.Get(), 10, 5), 0u) << "outside the image stays transparent black";
}

TEST(D3DXTextureFromFileTest, DefaultsScaleAndBuildTheMipChainAndCapsRoundUp) {
  TempDir dir;
  std::string path = WriteImage(dir, "solid.bmp", 3, 3, false);
  D3D9TestDevice device;
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(
      D3DXCreateTextureFromFileA(device.Get(), path.c_str(), texture.ReleaseAndGetAddressOf()),
      D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 3u);  // 4 × 4, 2 × 2, 1 × 1
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(TexelAt(texture.Get(), 0, 0) & 0xFF, 0x5Au);  // scaled, not placed

  // A square-only device gets a square texture even for NONPOW2.
  D3D9SetTextureCapsRestriction(D3DPTEXTURECAPS_SQUAREONLY | D3DPTEXTURECAPS_POW2);
  D3D9TestDevice restricted;
  D3D9SetTextureCapsRestriction(0);
  std::string wide = WriteImage(dir, "wide.bmp", 5, 2, false);
  ASSERT_EQ(D3DXCreateTextureFromFileExA(restricted.Get(), wide.c_str(), D3DX_DEFAULT_NONPOW2,
                                         D3DX_DEFAULT_NONPOW2, 1, 0, D3DFMT_X8R8G8B8,
                                         D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                         nullptr, nullptr, texture.ReleaseAndGetAddressOf()),
            D3D_OK);
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 8u);
  EXPECT_EQ(desc.Height, 8u);
}

TEST(D3DXTextureFromFileTest, MissingOrUnreadableFilesFailWithD3DXCodes) {
  TempDir dir;
  D3D9TestDevice device;
  std::string garbage = dir.File("garbage.png");
  {
    std::ofstream out(garbage, std::ios::binary);
    out << "\x89PNG\r\n\x1a\n this is not really a picture";
  }
  std::string empty = dir.File("empty.bmp");
  { std::ofstream out(empty, std::ios::binary); }
  std::string missing = dir.File("missing.bmp");

  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(0x1);
  D3DXIMAGE_INFO info;
  for (const std::string& path : {garbage, empty}) {
    EXPECT_EQ(D3DXCreateTextureFromFileA(device.Get(), path.c_str(), &texture),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3DXERR_INVALIDDATA);
  }
  EXPECT_EQ(D3DXCreateTextureFromFileA(device.Get(), missing.c_str(), &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXGetImageInfoFromFileA(missing.c_str(), &info), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXGetImageInfoFromFileA(nullptr, &info), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXGetImageInfoFromFileA(garbage.c_str(), nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, garbage.c_str(), &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device.Get(), nullptr, &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileA(device.Get(), garbage.c_str(), nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace tavorin::test
