#include <IMoviePlayer.h>
#include <comobject.h>
#include <d3d9.h>
#include <dshow.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "movie/MemoryStream.h"
#include "movie/MoviePlayerBase.h"
#include "movie/TextureRenderer.h"
#include "movie/TestMovies.h"
#include "support/HeadlessDevice.h"
#include "support/TempDir.h"

namespace tavorin::test {
namespace {

using namespace std::chrono_literals;

// Movies are made once for the whole program: 0.6 s with and without sound.
struct MovieFiles {
  TempDir dir;
  std::string withSound = dir.File("sound.avi");
  std::string silent = dir.File("silent.avi");
  MovieFiles() {
    MakeMovie(withSound, 0.6, true);
    MakeMovie(silent, 0.6, false);
  }
};

const MovieFiles& Files() {
  static MovieFiles files;
  return files;
}

ComPtr<IMoviePlayer> OpenPlayer(IDirect3DDevice9* device, const std::string& path,
                                IMovieTexture* texture = nullptr) {
  ComPtr<IReadAccesser> stream;
  EXPECT_EQ(OpenReadAccesser(stream.ReleaseAndGetAddressOf(), path.c_str()), S_OK);
  ComPtr<IMoviePlayer> player;
  EXPECT_EQ(
      CreateTextureMoviePlayer(player.ReleaseAndGetAddressOf(), device, texture, stream.Get()),
      S_OK);
  return player;
}

int StateOf(IMoviePlayer* player) {
  int state = -1;
  player->GetState(&state);
  return state;
}

int PositionOf(IMoviePlayer* player) {
  int ms = -1;
  player->GetPosition(&ms);
  return ms;
}

// Polls until `done` or 20 s pass (a generous bound for a loaded machine),
// calling `watch` on every poll.
bool PollUntil(
    const std::function<bool()>& done, const std::function<void()>& watch = [] {}) {
  auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline) {
    watch();
    if (done()) return true;
    std::this_thread::sleep_for(2ms);
  }
  return false;
}

// Counts the rewinds of a playing movie: its position going back by more
// than half its length.
struct RewindCounter {
  IMoviePlayer* player;
  int last = 0;
  int rewinds = 0;
  void operator()() {
    int now = PositionOf(player);
    if (now < last - 300) ++rewinds;
    last = now;
  }
};

D3DCOLOR TexelOf(IDirect3DTexture9* texture, int x, int y) {
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return 0;
  D3DCOLOR texel = static_cast<const D3DCOLOR*>(locked.pBits)[y * (locked.Pitch / 4) + x];
  texture->UnlockRect(0);
  return texel;
}

TEST(MoviePlayerTest, PositionsConvertBetweenMillisecondsAndGraphUnits) {
  EXPECT_EQ(movie::MillisecondsToUnits(600000), 6000000000LL);
  EXPECT_EQ(movie::UnitsToMilliseconds(12345678), 1234);
  EXPECT_EQ(movie::UnitsToMilliseconds(-12345678), -1234);
}

TEST(MoviePlayerTest, OnePassEndsStoppedAtTheEndAndCanBePlayedAgain) {
  HeadlessDevice device;
  ComPtr<IMoviePlayer> player = OpenPlayer(device.Get(), Files().withSound);
  ASSERT_TRUE(player);
  int duration = 0;
  EXPECT_EQ(player->GetDuration(&duration), S_OK);
  EXPECT_NEAR(duration, 600, 50);
  EXPECT_EQ(StateOf(player.Get()), State_Stopped);

  ASSERT_GE(player->Play(1), S_OK);
  EXPECT_EQ(StateOf(player.Get()), State_Running);
  ASSERT_TRUE(PollUntil([&] { return StateOf(player.Get()) == State_Stopped; }));
  EXPECT_GE(PositionOf(player.Get()), duration - 50);

  // The worker has ended: Stop neither rewinds nor complains.
  EXPECT_EQ(player->Stop(), S_OK);
  EXPECT_GE(PositionOf(player.Get()), duration - 50);

  // The tester's way to play a movie again.
  EXPECT_EQ(player->SetPosition(0), S_OK);
  EXPECT_LT(PositionOf(player.Get()), 50);
  ASSERT_GE(player->Play(1), S_OK);
  ASSERT_TRUE(PollUntil([&] { return StateOf(player.Get()) == State_Stopped; }));
  EXPECT_GE(PositionOf(player.Get()), duration - 50);
}

TEST(MoviePlayerTest, LoopCountsPlayThatManyPassesAndZeroLoopsUntilStopped) {
  HeadlessDevice device;
  ComPtr<IMoviePlayer> player = OpenPlayer(device.Get(), Files().silent);
  ASSERT_TRUE(player);

  // Three passes: two rewinds, then stopped at the end.
  RewindCounter three{player.Get()};
  ASSERT_GE(player->Play(3), S_OK);
  ASSERT_TRUE(PollUntil([&] { return StateOf(player.Get()) == State_Stopped; }, std::ref(three)));
  EXPECT_EQ(three.rewinds, 2);

  // Endless: still running after three rewinds; Stop rewinds to the start.
  ASSERT_EQ(player->SetPosition(0), S_OK);
  RewindCounter endless{player.Get()};
  ASSERT_GE(player->Play(0), S_OK);
  ASSERT_TRUE(PollUntil([&] { return endless.rewinds >= 3; }, std::ref(endless)));
  EXPECT_EQ(StateOf(player.Get()), State_Running);
  EXPECT_EQ(player->Stop(), S_OK);
  EXPECT_EQ(StateOf(player.Get()), State_Stopped);
  EXPECT_LT(PositionOf(player.Get()), 50);
}

TEST(MoviePlayerTest, SeekingWhilePausedLeavesTheMovieStoppedThere) {
  HeadlessDevice device;
  ComPtr<IMoviePlayer> player = OpenPlayer(device.Get(), Files().withSound);
  ASSERT_TRUE(player);
  ASSERT_GE(player->Play(1), S_OK);
  ASSERT_GE(player->Pause(), S_OK);
  EXPECT_EQ(StateOf(player.Get()), State_Paused);
  EXPECT_EQ(player->SetPosition(300), S_OK);
  EXPECT_EQ(StateOf(player.Get()), State_Stopped);
  EXPECT_NEAR(PositionOf(player.Get()), 300, 1);

  // Running movies keep running after a seek.
  ASSERT_GE(player->Play(1), S_OK);
  EXPECT_EQ(player->SetPosition(100), S_OK);
  EXPECT_EQ(StateOf(player.Get()), State_Running);
  EXPECT_EQ(player->Stop(), S_OK);
}

TEST(MoviePlayerTest, FramesReachTheSharedTextureTopRowFirst) {
  HeadlessDevice device;
  ComPtr<IMovieTexture> shared;
  ASSERT_EQ(CreateMovieTexture(shared.ReleaseAndGetAddressOf(), device.Get()), S_OK);
  ComPtr<IMoviePlayer> first = OpenPlayer(device.Get(), Files().silent, shared.Get());
  ComPtr<IMoviePlayer> second = OpenPlayer(device.Get(), Files().withSound, shared.Get());
  ASSERT_TRUE(first && second);

  ComPtr<IMoviePlayerTexture> frames;
  ASSERT_EQ(second->QueryInterface(IID_IMoviePlayerTexture,
                                   reinterpret_cast<void**>(frames.ReleaseAndGetAddressOf())),
            S_OK);
  ComPtr<IMovieTexture> ofPlayer(frames->GetMovieTexture());
  EXPECT_EQ(ofPlayer.Get(), shared.Get());
  int size[2] = {};
  EXPECT_EQ(second->GetVideoSize(size), S_OK);
  EXPECT_EQ(size[0], 64);
  EXPECT_EQ(size[1], 48);

  ASSERT_GE(second->Play(1), S_OK);
  ComPtr<IDirect3DTexture9> texture;
  BOOL updated = FALSE;
  ASSERT_TRUE(PollUntil([&] {
    return SUCCEEDED(frames->GetTexture(texture.ReleaseAndGetAddressOf(), &updated)) && updated;
  }));
  // The picture's red half is its top: the texture's top rows, after the
  // flip from the video's bottom-up rows.
  D3DCOLOR top = TexelOf(texture.Get(), 32, 2);
  D3DCOLOR bottom = TexelOf(texture.Get(), 32, 45);
  EXPECT_GT((top >> 16) & 0xFF, 150u);
  EXPECT_LT(top & 0xFF, 80u);
  EXPECT_GT(bottom & 0xFF, 150u);
  EXPECT_LT((bottom >> 16) & 0xFF, 80u);
  EXPECT_EQ(second->Stop(), S_OK);
}

// A renderer that holds its first sample until the gate opens, so a graph
// asked to pause never finishes cueing.
class StalledRenderer : public movie::CTRFilter {
 public:
  using CTRFilter::CTRFilter;
  void OnReceiveFirstSample(IMediaSample* sample) override {
    std::unique_lock<std::mutex> hold(m_gateLock);
    m_gateChanged.wait(hold, [this] { return m_open; });
    hold.unlock();
    CTRFilter::OnReceiveFirstSample(sample);
  }
  void Open() {
    std::lock_guard<std::mutex> hold(m_gateLock);
    m_open = true;
    m_gateChanged.notify_all();
  }

 private:
  std::mutex m_gateLock;
  std::condition_variable m_gateChanged;
  bool m_open = false;
};

class StalledPlayer : public movie::CMoviePlayerBase {
 public:
  ~StalledPlayer() override {
    Stop();
    ReleaseGraph();
    if (renderer != nullptr) renderer->Release();
  }
  HRESULT CreateRenderer(IBaseFilter** out, const movie::RendererContext& context) override {
    HRESULT hr = S_OK;
    renderer = new StalledRenderer(&hr);
    renderer->NonDelegatingAddRef();
    if (SUCCEEDED(hr)) hr = renderer->Init(context.device, nullptr);
    if (SUCCEEDED(hr)) hr = m_graphBuilder->AddFilter(renderer, L"Stalled");
    *out = renderer;
    if (SUCCEEDED(hr)) renderer->AddRef();
    return hr;
  }
  StalledRenderer* renderer = nullptr;
};

TEST(MoviePlayerTest, AGraphThatNeverSettlesTimesOutInsteadOfHanging) {
  HeadlessDevice device;
  ComPtr<IReadAccesser> stream;
  ASSERT_EQ(OpenReadAccesser(stream.ReleaseAndGetAddressOf(), Files().silent.c_str()), S_OK);
  auto* player = new StalledPlayer;
  ASSERT_EQ(player->Initialize(nullptr, stream.Get(), {device.Get(), nullptr}), S_OK);

  // Should Pause hang after all, the gate still opens so the test ends.
  std::promise<void> paused;
  std::thread watchdog([renderer = player->renderer, done = paused.get_future()] {
    if (done.wait_for(30s) == std::future_status::timeout) renderer->Open();
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(player->Pause(), VFW_E_TIMEOUT);
  paused.set_value();
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, 9.5);
  EXPECT_LT(waited, 20.0);

  player->renderer->Open();
  EXPECT_GE(player->Pause(), S_OK);
  EXPECT_EQ(StateOf(player), State_Paused);
  watchdog.join();
  player->Release();
}

TEST(MoviePlayerTest, CreationRefusesMissingStreamsAndBytesNoParserReads) {
  HeadlessDevice device;
  ComPtr<IMoviePlayer> player;
  EXPECT_EQ(CreateTextureMoviePlayer(nullptr, device.Get(), nullptr, nullptr), E_POINTER);
  EXPECT_EQ(
      CreateTextureMoviePlayer(player.ReleaseAndGetAddressOf(), device.Get(), nullptr, nullptr),
      E_POINTER);
  EXPECT_FALSE(player);

  TempDir dir;
  std::string junk = dir.Write("junk.avi", std::vector<uint8_t>(4096, 0x5A));
  ComPtr<IReadAccesser> stream;
  ASSERT_EQ(OpenReadAccesser(stream.ReleaseAndGetAddressOf(), junk.c_str()), S_OK);
  EXPECT_TRUE(FAILED(CreateTextureMoviePlayer(player.ReleaseAndGetAddressOf(), device.Get(),
                                              nullptr, stream.Get())));
  EXPECT_FALSE(player);

  // A good movie behind a stream that cannot seek is refused, not half-read.
  struct Unseekable : MemoryStream {
    LONGLONG Seek64(LONGLONG, DWORD) override { return -1; }
  };
  std::ifstream file(Files().silent, std::ios::binary);
  std::vector<BYTE> movie{std::istreambuf_iterator<char>(file), {}};
  ComPtr<IReadAccesser> unseekable;
  CreateComObject<Unseekable>(unseekable.ReleaseAndGetAddressOf(), std::move(movie));
  EXPECT_TRUE(FAILED(CreateTextureMoviePlayer(player.ReleaseAndGetAddressOf(), device.Get(),
                                              nullptr, unseekable.Get())));
  EXPECT_FALSE(player);
}

}  // namespace
}  // namespace tavorin::test
