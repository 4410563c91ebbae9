#include <IMovieTexture.h>
#include <comobject.h>
#include <d3d9.h>
#include <platform_test.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "support/HeadlessDevice.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::HeadlessDevice;

// Fills the first `width` texels of row 0 with `value`.
void Stamp(IDirect3DTexture9* texture, DWORD value, int width = 1) {
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(S_OK, texture->LockRect(0, &locked, nullptr, 0));
  DWORD* row = static_cast<DWORD*>(locked.pBits);
  for (int x = 0; x < width; ++x) row[x] = value;
  texture->UnlockRect(0);
}

DWORD FirstTexel(IDirect3DTexture9* texture) {
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return 0xDEADBEEF;
  DWORD value = *static_cast<DWORD*>(locked.pBits);
  texture->UnlockRect(0);
  return value;
}

ComPtr<IDirect3DTexture9> Display(IMovieTexture* movie, BOOL* updated = nullptr) {
  ComPtr<IDirect3DTexture9> texture;
  EXPECT_EQ(S_OK, movie->GetTexture(texture.ReleaseAndGetAddressOf(), updated));
  return texture;
}

ComPtr<IDirect3DTexture9> Write(IMovieTexture* movie) {
  ComPtr<IDirect3DTexture9> texture;
  EXPECT_EQ(S_OK, movie->GetWriteTexture(texture.ReleaseAndGetAddressOf()));
  return texture;
}

void ExpectSize(IDirect3DTexture9* texture, UINT width, UINT height) {
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(S_OK, texture->GetLevelDesc(0, &desc));
  EXPECT_EQ(width, desc.Width);
  EXPECT_EQ(height, desc.Height);
  EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
  EXPECT_EQ(1u, texture->GetLevelCount());
}

TEST(MovieTextureTest, CreatorAndCallsBeforeAllocateFailCleanly) {
  HeadlessDevice device;
  ASSERT_NE(nullptr, device.Get());
  IMovieTexture* movie = reinterpret_cast<IMovieTexture*>(1);
  EXPECT_EQ(E_INVALIDARG, CreateMovieTexture(&movie, nullptr));
  EXPECT_EQ(nullptr, movie);
  EXPECT_EQ(E_POINTER, CreateMovieTexture(nullptr, device.Get()));
  ASSERT_EQ(S_OK, CreateMovieTexture(&movie, device.Get()));
  ComPtr<IMovieTexture> owned(movie);

  ComPtr<IUnknown> unknown;
  EXPECT_EQ(S_OK, movie->QueryInterface(
                      IID_IUnknown, reinterpret_cast<void**>(unknown.ReleaseAndGetAddressOf())));
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, movie->QueryInterface(IID_IDirect3DTexture9, &other));
  EXPECT_EQ(nullptr, other);

  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
  BOOL updated = 7;
  EXPECT_EQ(E_INVALIDARG, movie->GetTexture(&texture, &updated));
  EXPECT_EQ(nullptr, texture);
  EXPECT_EQ(E_INVALIDARG, movie->GetWriteTexture(&texture));
  EXPECT_EQ(E_POINTER, movie->GetTexture(nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, movie->Allocate(0, 10));
  EXPECT_EQ(E_INVALIDARG, movie->Allocate(10, -1));
  // Sizes no device makes fail with the device's error and leave nothing.
  EXPECT_EQ(D3DERR_INVALIDCALL, movie->Allocate(1 << 30, 1 << 30));
  EXPECT_EQ(E_INVALIDARG, movie->GetWriteTexture(&texture));
  // The next Allocate tries again.
  EXPECT_EQ(S_OK, movie->Allocate(16, 16));
  EXPECT_EQ(S_OK, movie->GetWriteTexture(&texture));
  texture->Release();
}

TEST(MovieTextureTest, SlotsRotateWithoutEverShowingTheWriteTexture) {
  HeadlessDevice device;
  ASSERT_NE(nullptr, device.Get());
  ComPtr<IMovieTexture> movie;
  ASSERT_EQ(S_OK, CreateMovieTexture(movie.ReleaseAndGetAddressOf(), device.Get()));
  ASSERT_EQ(S_OK, movie->Allocate(64, 32));

  // Fresh textures: nothing committed yet.
  BOOL updated = 7;
  ComPtr<IDirect3DTexture9> first = Display(movie.Get(), &updated);
  EXPECT_EQ(FALSE, updated);
  std::set<IDirect3DTexture9*> seen;
  for (DWORD frame = 1; frame <= 9; ++frame) {
    ComPtr<IDirect3DTexture9> write = Write(movie.Get());
    seen.insert(write.Get());
    EXPECT_NE(write.Get(), Display(movie.Get()).Get()) << frame;
    Stamp(write.Get(), frame);
    movie->Commit();
    // The frame just committed is shown at the next call, and only then.
    ComPtr<IDirect3DTexture9> shown = Display(movie.Get(), &updated);
    EXPECT_EQ(TRUE, updated);
    EXPECT_EQ(write.Get(), shown.Get());
    EXPECT_EQ(frame, FirstTexel(shown.Get()));
    EXPECT_EQ(shown.Get(), Display(movie.Get(), &updated).Get());
    EXPECT_EQ(FALSE, updated);
    EXPECT_NE(shown.Get(), Write(movie.Get()).Get());
  }
  EXPECT_EQ(3u, seen.size());  // frames taken at once: all three textures take turns

  // Two commits before the drawing side looks: the newer frame wins and the
  // texture on display is never handed out for writing.
  ComPtr<IDirect3DTexture9> onDisplay = Display(movie.Get());
  for (DWORD frame : {100u, 101u}) {
    ComPtr<IDirect3DTexture9> write = Write(movie.Get());
    EXPECT_NE(onDisplay.Get(), write.Get());
    Stamp(write.Get(), frame);
    movie->Commit();
  }
  ComPtr<IDirect3DTexture9> latest = Display(movie.Get(), &updated);
  EXPECT_EQ(TRUE, updated);
  EXPECT_EQ(101u, FirstTexel(latest.Get()));
}

TEST(MovieTextureTest, SizesFollowTheCapsAndLargerTexturesAreReused) {
  struct Case {
    DWORD caps;
    int width, height;
    UINT expectWidth, expectHeight;
  };
  const Case cases[] = {
      {0, 320, 240, 320, 240},
      {D3DPTEXTURECAPS_POW2, 320, 240, 512, 256},
      {D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 320, 240, 512, 512},
      {D3DPTEXTURECAPS_SQUAREONLY, 320, 240, 320, 320},
      {D3DPTEXTURECAPS_POW2, 1, 3, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "caps " << c.caps << " " << c.width << "x" << c.height);
    tavorin::test::D3D9SetTextureCapsRestriction(c.caps);
    HeadlessDevice device;
    tavorin::test::D3D9SetTextureCapsRestriction(0);
    ASSERT_NE(nullptr, device.Get());
    ComPtr<IMovieTexture> movie;
    ASSERT_EQ(S_OK, CreateMovieTexture(movie.ReleaseAndGetAddressOf(), device.Get()));
    ASSERT_EQ(S_OK, movie->Allocate(c.width, c.height));
    ComPtr<IDirect3DTexture9> write = Write(movie.Get());
    ExpectSize(write.Get(), c.expectWidth, c.expectHeight);
    ExpectSize(Display(movie.Get()).Get(), c.expectWidth, c.expectHeight);
  }

  HeadlessDevice device;
  ComPtr<IMovieTexture> movie;
  ASSERT_EQ(S_OK, CreateMovieTexture(movie.ReleaseAndGetAddressOf(), device.Get()));
  ASSERT_EQ(S_OK, movie->Allocate(320, 240));
  ComPtr<IDirect3DTexture9> display = Display(movie.Get());
  ComPtr<IDirect3DTexture9> write = Write(movie.Get());
  Stamp(write.Get(), 5);
  movie->Commit();
  // Equal and smaller movies keep the textures and the pending frame.
  EXPECT_EQ(S_OK, movie->Allocate(320, 240));
  EXPECT_EQ(S_OK, movie->Allocate(100, 200));
  BOOL updated = FALSE;
  ComPtr<IDirect3DTexture9> shown = Display(movie.Get(), &updated);
  EXPECT_EQ(TRUE, updated);
  EXPECT_EQ(write.Get(), shown.Get());
  // One dimension larger: fresh textures; the holder's old one lives on.
  ASSERT_EQ(S_OK, movie->Allocate(320, 241));
  ComPtr<IDirect3DTexture9> fresh = Display(movie.Get(), &updated);
  EXPECT_EQ(FALSE, updated);
  EXPECT_NE(shown.Get(), fresh.Get());
  EXPECT_NE(display.Get(), fresh.Get());
  ExpectSize(fresh.Get(), 320, 241);
  EXPECT_EQ(5u, FirstTexel(shown.Get()));
}

// A decoder thread writes whole frames (every texel the frame number) and
// commits while the drawing thread reads what is on display: it must always
// see one whole frame, and frames never go backwards.
TEST(MovieTextureTest, DrawingThreadNeverSeesATornOrOlderFrame) {
  HeadlessDevice device;
  ASSERT_NE(nullptr, device.Get());
  ComPtr<IMovieTexture> movie;
  ASSERT_EQ(S_OK, CreateMovieTexture(movie.ReleaseAndGetAddressOf(), device.Get()));
  constexpr int kSize = 64;
  ASSERT_EQ(S_OK, movie->Allocate(kSize, kSize));
  constexpr DWORD kFrames = 400;
  std::atomic<bool> done{false};
  std::thread decoder([&] {
    for (DWORD frame = 1; frame <= kFrames; ++frame) {
      ComPtr<IDirect3DTexture9> write;
      if (FAILED(movie->GetWriteTexture(write.ReleaseAndGetAddressOf()))) break;
      D3DLOCKED_RECT locked{};
      if (FAILED(write->LockRect(0, &locked, nullptr, 0))) break;
      for (int y = 0; y < kSize; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < kSize; ++x) row[x] = frame;
      }
      write->UnlockRect(0);
      movie->Commit();
    }
    done = true;
  });
  int torn = 0;
  int backwards = 0;
  int lockFailures = 0;
  DWORD last = 0;
  DWORD shownFrames = 0;
  while (!done || shownFrames == 0) {
    BOOL updated = FALSE;
    ComPtr<IDirect3DTexture9> shown;
    if (FAILED(movie->GetTexture(shown.ReleaseAndGetAddressOf(), &updated)) || !updated) {
      std::this_thread::yield();
      continue;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(shown->LockRect(0, &locked, nullptr, 0))) {
      ++lockFailures;
      continue;
    }
    const DWORD* texels = static_cast<const DWORD*>(locked.pBits);
    DWORD frame = texels[0];
    for (int y = 0; y < kSize; ++y) {
      const DWORD* row =
          reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < kSize; ++x) torn += row[x] != frame;
    }
    shown->UnlockRect(0);
    backwards += frame < last;
    last = frame;
    ++shownFrames;
  }
  decoder.join();
  EXPECT_EQ(0, torn);
  EXPECT_EQ(0, backwards);
  EXPECT_EQ(0, lockFailures);  // the decoder never locks the texture on display
  EXPECT_GT(shownFrames, 0u);
  // The last commit is the last frame.
  ComPtr<IDirect3DTexture9> final = Display(movie.Get());
  EXPECT_EQ(kFrames, FirstTexel(final.Get()));
}

}  // namespace
