// Plays the tester's sequence headless for a while, stepping frames as the
// tester's loop does, and reports per pass how many movie frames reached
// the screen against how many the movie has, and how long after Play the
// first frame of each pass could be drawn. Run it in a content folder
// (scripts/run-tester's build/content, or make-content's output).
//   movie_playback SECONDS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <comobject.h>

#include "app/TesterApp.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The tester's frame with the pick-up of the newest movie frame counted.
bool StepCounting(TesterApp* app, int* shown) {
  SequenceStep(app);
  if (app->currentPicture != nullptr) {
    IDirect3DTexture9* texture = nullptr;
    BOOL updated = FALSE;
    if (SUCCEEDED(app->currentPicture->GetTexture(&texture, &updated)) && updated) ++*shown;
    if (texture) texture->Release();
  }
  return TesterFrameStep(app);
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  auto* app = new TesterApp;
  if (FAILED(StartUpTester(app, GetModuleHandleA(nullptr)))) return 1;

  int expected[2] = {};
  for (int i = 0; i < 2; ++i) {
    int ms = 0;
    app->players[i]->GetDuration(&ms);
    expected[i] = ms * 30 / 1000;
  }
  // The start-up Play of Test0 has already delivered its first frame; the
  // latency of later passes is measured from the moment the sequence
  // starts them.
  auto start = Clock::now();
  auto passStart = start;
  int totalShown = 0, totalExpected = 0, passes = 0;
  int shown = 0;
  DWORD current = app->current;
  bool firstSeen = true;
  double worstLatency = 0;
  while (MillisecondsSince(start) < seconds * 1000) {
    int before = shown;
    auto stepStart = Clock::now();
    StepCounting(app, &shown);
    double stepMs = MillisecondsSince(stepStart);
    if (app->current != current) {
      // The frame step that changed movies already counted the new one.
      int ofOld = before;
      std::printf("pass %d: Test%lu %d of %d frames shown\n", passes, (unsigned long)current, ofOld,
                  expected[current]);
      totalShown += ofOld;
      totalExpected += expected[current];
      ++passes;
      shown = shown - before;
      current = app->current;
      passStart = Clock::now();
      firstSeen = shown > 0;
      // Play returns once the first frame is in the texture: the step that
      // rewound and started the movie is the wait for its first frame.
      if (firstSeen && stepMs > worstLatency) worstLatency = stepMs;
    } else if (!firstSeen && shown > 0) {
      double latency = MillisecondsSince(passStart);
      if (latency > worstLatency) worstLatency = latency;
      firstSeen = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
  std::printf(
      "%d full passes: %d of %d frames shown (%d dropped); worst first-frame wait "
      "after a pass started %.1f ms\n",
      passes, totalShown, totalExpected, totalExpected - totalShown, worstLatency);
  TearDownTester(app);
  delete app;
  return 0;
}
