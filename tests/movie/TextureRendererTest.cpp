#include <ITRFilter.h>
#include <comobject.h>
#include <d3d9.h>
#include <gtest/gtest.h>
#include <platform_test.h>

#include <cstring>
#include <vector>

#include "movie/Samples.h"
#include "movie/TextureRenderer.h"
#include "support/HeadlessDevice.h"

namespace tavorin::test {
namespace {

CMediaType VideoType(const GUID& subtype, LONG width, LONG height) {
  CMediaType type;
  type.InitMediaType();
  type.SetType(&MEDIATYPE_Video);
  type.SetSubtype(&subtype);
  type.SetFormatType(&FORMAT_VideoInfo);
  VIDEOINFOHEADER info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biBitCount = 32;
  type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof info);
  return type;
}

movie::CTRFilter* FilterOf(ITRFilter* renderer) {
  return static_cast<movie::CTRFilter*>(renderer);
}

D3DSURFACE_DESC WriteTextureDesc(ITRFilter* renderer) {
  ComPtr<IMovieTexture> movie(renderer->GetMovieTexture());
  ComPtr<IDirect3DTexture9> texture;
  D3DSURFACE_DESC desc{};
  if (SUCCEEDED(movie->GetWriteTexture(texture.ReleaseAndGetAddressOf())))
    texture->GetLevelDesc(0, &desc);
  return desc;
}

TEST(TextureRendererTest, OnlyRgb32VideoInfoIsAcceptedAndSizesFollowTheCaps) {
  HeadlessDevice device;
  ComPtr<ITRFilter> renderer;
  ASSERT_EQ(CreateTextureRenderer(nullptr, device.Get(), nullptr), E_POINTER);
  ASSERT_EQ(CreateTextureRenderer(renderer.ReleaseAndGetAddressOf(), nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_FALSE(renderer);
  ASSERT_EQ(CreateTextureRenderer(renderer.ReleaseAndGetAddressOf(), device.Get(), nullptr), S_OK);
  movie::CTRFilter* filter = FilterOf(renderer.Get());

  EXPECT_EQ(filter->CheckMediaType(nullptr), E_POINTER);
  CMediaType other = VideoType(MEDIASUBTYPE_Avi, 8, 8);
  EXPECT_EQ(filter->CheckMediaType(&other), E_FAIL);
  CMediaType audio = VideoType(MEDIASUBTYPE_RGB32, 8, 8);
  audio.SetFormatType(&FORMAT_WaveFormatEx);
  EXPECT_EQ(filter->CheckMediaType(&audio), E_INVALIDARG);
  CMediaType rgb32 = VideoType(MEDIASUBTYPE_RGB32, 320, 240);
  EXPECT_EQ(filter->CheckMediaType(&rgb32), S_OK);
  EXPECT_EQ(filter->SetMediaType(nullptr), E_POINTER);

  // The renderer answers for the whole filter.
  ComPtr<IBaseFilter> asFilter;
  EXPECT_EQ(renderer->QueryInterface(IID_IBaseFilter,
                                     reinterpret_cast<void**>(asFilter.ReleaseAndGetAddressOf())),
            S_OK);

  struct Case {
    DWORD caps;
    UINT width, height;
  } cases[] = {{0, 320, 240},
               {D3DPTEXTURECAPS_POW2, 512, 256},
               {D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 512, 512}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caps);
    D3D9SetTextureCapsRestriction(c.caps);
    HeadlessDevice fitted;
    D3D9SetTextureCapsRestriction(0);
    ComPtr<ITRFilter> own;
    ASSERT_EQ(CreateTextureRenderer(own.ReleaseAndGetAddressOf(), fitted.Get(), nullptr), S_OK);
    ASSERT_EQ(FilterOf(own.Get())->SetMediaType(&rgb32), S_OK);
    int size[2] = {};
    EXPECT_EQ(own->GetVideoSize(size), S_OK);
    EXPECT_EQ(size[0], 320);
    EXPECT_EQ(size[1], 240);
    D3DSURFACE_DESC desc = WriteTextureDesc(own.Get());
    EXPECT_EQ(desc.Width, c.width);
    EXPECT_EQ(desc.Height, c.height);
  }
}

TEST(TextureRendererTest, FramesAreFlippedIntoTheWriteTextureAndCommitted) {
  HeadlessDevice device;
  ComPtr<IMovieTexture> shared;
  ASSERT_EQ(CreateMovieTexture(shared.ReleaseAndGetAddressOf(), device.Get()), S_OK);
  ComPtr<ITRFilter> renderer;
  ASSERT_EQ(CreateTextureRenderer(renderer.ReleaseAndGetAddressOf(), device.Get(), shared.Get()),
            S_OK);
  movie::CTRFilter* filter = FilterOf(renderer.Get());
  CMediaType type = VideoType(MEDIASUBTYPE_RGB32, 4, 3);
  ASSERT_EQ(filter->SetMediaType(&type), S_OK);

  // Each source row is filled with its row number.
  ComPtr<IMemAllocator> allocator = MakeAllocator(4 * 3 * 4);
  ComPtr<IMediaSample> sample = TakeSample(allocator.Get());
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  auto* pixels = reinterpret_cast<DWORD*>(data);
  for (int i = 0; i < 12; ++i) pixels[i] = 0x00100000u * DWORD(i / 4 + 1) + DWORD(i % 4);
  sample->SetActualDataLength(4 * 3 * 4);

  EXPECT_EQ(filter->DoRenderSample(nullptr), E_POINTER);
  ASSERT_EQ(filter->DoRenderSample(sample.Get()), S_OK);
  ComPtr<IDirect3DTexture9> shown;
  BOOL updated = FALSE;
  ASSERT_EQ(renderer->GetTexture(shown.ReleaseAndGetAddressOf(), &updated), S_OK);
  EXPECT_TRUE(updated);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(shown->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
  for (int y = 0; y < 3; ++y) {
    const auto* row =
        reinterpret_cast<const DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(row[x], pixels[(2 - y) * 4 + x]) << x << "," << y;
  }
  shown->UnlockRect(0);
  ComPtr<IDirect3DTexture9> again;
  ASSERT_EQ(renderer->GetTexture(again.ReleaseAndGetAddressOf(), &updated), S_OK);
  EXPECT_FALSE(updated);
  EXPECT_EQ(again.Get(), shown.Get());

  // A sample shorter than a frame is refused, not read past its end.
  sample->SetActualDataLength(4 * 3 * 4 - 1);
  EXPECT_EQ(filter->DoRenderSample(sample.Get()), E_INVALIDARG);
  ASSERT_EQ(renderer->GetTexture(again.ReleaseAndGetAddressOf(), &updated), S_OK);
  EXPECT_FALSE(updated);

  // A second movie of a smaller size keeps the textures.
  D3DSURFACE_DESC before = WriteTextureDesc(renderer.Get());
  CMediaType smaller = VideoType(MEDIASUBTYPE_RGB32, 2, 2);
  ASSERT_EQ(filter->SetMediaType(&smaller), S_OK);
  ComPtr<IDirect3DTexture9> still;
  ASSERT_EQ(shared->GetTexture(still.ReleaseAndGetAddressOf(), nullptr), S_OK);
  EXPECT_EQ(still.Get(), shown.Get());
  EXPECT_EQ(WriteTextureDesc(renderer.Get()).Width, before.Width);
}

}  // namespace
}  // namespace tavorin::test
