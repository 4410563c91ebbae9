// Plays the tester's sequence for a while, stepping frames as the tester's
// loop does, and reports per pass how many different movie pictures reached
// the screen against how many frames the movie has, and how long the step
// that started each pass took to put its first picture up. Run it in a
// content folder (scripts/run-tester's build/content, or make-content's
// output); with SDL_VIDEODRIVER=x11 it presents into a real window.
//   movie_playback SECONDS
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <comobject.h>

#include "app/TesterApp.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFramePeriod = std::chrono::milliseconds(15);

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A fingerprint of the picture the tester draws. Every frame of the test
// movies moves, so a new fingerprint is a new movie frame on the screen,
// and the first frame, drawn once when a pass is cued and again when it
// runs, counts once.
uint64_t PictureFingerprint(TesterApp* app) {
  if (app->currentPicture == nullptr) return 0;
  IDirect3DTexture9* texture = nullptr;
  // Taking a frame that arrived after the draw is harmless: the next step
  // draws the display texture whatever the flag says.
  if (FAILED(app->currentPicture->GetTexture(&texture, nullptr)) || texture == nullptr) return 0;
  uint64_t hash = 1469598103934665603ull;
  D3DSURFACE_DESC desc{};
  D3DLOCKED_RECT locked{};
  texture->GetLevelDesc(0, &desc);
  if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) {
    for (UINT row = 0; row < desc.Height; ++row) {
      const auto* words = reinterpret_cast<const uint64_t*>(static_cast<const BYTE*>(locked.pBits) +
                                                            size_t(row) * locked.Pitch);
      for (UINT i = 0; i < desc.Width / 2; ++i) hash = (hash ^ words[i]) * 1099511628211ull;
    }
    texture->UnlockRect(0);
  }
  texture->Release();
  return hash;
}

struct PassCounter {
  int expected[2] = {};
  int passes = 0;
  int totalShown = 0;
  int totalExpected = 0;
  int shown = 0;
  uint64_t lastPicture = 0;

  void EndPass(DWORD movie) {
    std::printf("pass %d: Test%lu %d of %d frames shown\n", passes, (unsigned long)movie, shown,
                expected[movie]);
    totalShown += shown;
    totalExpected += expected[movie];
    ++passes;
    shown = 0;
  }
  void See(uint64_t picture) {
    if (picture != 0 && picture != lastPicture) ++shown;
    lastPicture = picture;
  }
};

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  auto* app = new TesterApp;
  if (FAILED(StartUpTester(app, GetModuleHandleA(nullptr)))) return 1;

  PassCounter counter;
  for (int i = 0; i < 2; ++i) {
    int ms = 0;
    app->players[i]->GetDuration(&ms);
    counter.expected[i] = ms * 30 / 1000;
  }
  // Start-up has already played Test0's first frame into the texture.
  counter.See(PictureFingerprint(app));
  DWORD current = app->current;
  double worstLatency = 0;
  auto start = Clock::now();
  while (MillisecondsSince(start) < seconds * 1000) {
    auto stepStart = Clock::now();
    TesterFrameStep(app);
    if (app->current != current) {
      counter.EndPass(current);
      current = app->current;
      // Play returns once the first frame is in the texture, so this step
      // is the whole wait from the old movie's end to the new one's first
      // picture presented.
      double stepMs = MillisecondsSince(stepStart);
      if (stepMs > worstLatency) worstLatency = stepMs;
    }
    counter.See(PictureFingerprint(app));
    std::this_thread::sleep_until(stepStart + kFramePeriod);
  }
  std::printf(
      "%d full passes: %d of %d frames shown (%d dropped); worst step from a movie's end to "
      "the next one's first picture %.1f ms\n",
      counter.passes, counter.totalShown, counter.totalExpected,
      counter.totalExpected - counter.totalShown, worstLatency);
  TearDownTester(app);
  delete app;
  return 0;
}
