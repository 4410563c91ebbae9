#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <comobject.h>
#include <platform_test.h>

#include "app/SequenceContent.h"
#include "app/TesterApp.h"

namespace tavorin::test {
namespace {

// What one presented frame shows: the movie (by its colour at (10, 10))
// and the chip row (by its colour inside the chip), -1 when neither.
struct Shown {
  int movie = -1;
  int row = -1;
  bool operator==(const Shown& other) const { return movie == other.movie && row == other.row; }
};

Shown StepAndRead(TesterApp* app) {
  TesterFrameStep(app);
  ComPtr<IDirect3DDevice9> device(app->directX->GetDevice());
  std::vector<DWORD> frame;
  UINT width = 0, height = 0;
  if (!D3D9ReadPresentedFrame(device.Get(), &frame, &width, &height) || width != 800) return {};
  return {NearestColour(frame[10 * 800 + 10] & 0xFFFFFF, kMovieColours),
          NearestColour(frame[580 * 800 + 540] & 0xFFFFFF, kChipRowColours)};
}

// Starts the tester in `dir`, capturing what its message boxes say.
HRESULT StartIn(const TempDir& dir, TesterApp* app, std::string* messages) {
  CurrentDirectory inside(dir.path());
  ::testing::internal::CaptureStderr();
  HRESULT hr = StartUpTester(app, GetModuleHandleA(nullptr));
  *messages = ::testing::internal::GetCapturedStderr();
  return hr;
}

void Close(TesterApp* app) {
  HWND window = app->window;
  TearDownTester(app);
  if (IsWindow(window)) DestroyWindow(window);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST(TestSequenceTest, MoviesAlternateAndTheChipTellsTheFirstRoundFromTheRest) {
  TempDir dir;
  MakeSequenceContent(dir, 0.5);
  TesterApp app;
  std::string messages;
  ASSERT_EQ(StartIn(dir, &app, &messages), S_OK) << messages;
  EXPECT_EQ(app.current, 0u);
  EXPECT_FALSE(app.roundDone);

  // Frames as the loop steps them, until Test0 has come round a third time
  // (bounded well beyond the 2.5 s this takes).
  std::vector<Shown> seen;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline && seen.size() < 5) {
    Shown shown = StepAndRead(&app);
    if (shown.movie >= 0 && shown.row >= 0 && (seen.empty() || !(seen.back() == shown)))
      seen.push_back(shown);
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
  std::vector<Shown> expected = {{0, 0}, {1, 1}, {0, 2}, {1, 2}, {0, 2}};
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(seen[i].movie, expected[i].movie) << "change " << i;
    EXPECT_EQ(seen[i].row, expected[i].row) << "change " << i;
  }
  EXPECT_TRUE(app.roundDone);
  Close(&app);
}

TEST(TestSequenceTest, MissingContentEndsStartUpWithItsMessage) {
  TempDir dir;
  MakeSequenceContent(dir, 0.5);
  std::filesystem::remove(dir.File("Test1.avi"));
  SetMessageBoxesEnabled(false);

  // Test0.avi opens, Test1.avi does not: nothing may play.
  TesterApp app;
  std::string messages;
  EXPECT_TRUE(FAILED(StartIn(dir, &app, &messages)));
  EXPECT_NE(messages.find("Error!!: ムービーのロードに失敗しました"), std::string::npos)
      << messages;
  EXPECT_EQ(app.currentPicture, nullptr);
  if (app.players[0] != nullptr) {
    int state = -1;
    app.players[0]->GetState(&state);
    EXPECT_EQ(state, 0);
  }
  Close(&app);

  std::filesystem::remove(dir.File("Chip.bmp"));
  EXPECT_TRUE(FAILED(StartIn(dir, &app, &messages)));
  EXPECT_NE(messages.find("Error!!: 画像のロードに失敗しました"), std::string::npos) << messages;
  Close(&app);
}

}  // namespace
}  // namespace tavorin::test
