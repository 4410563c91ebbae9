#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform_dshow/MovieGraph.h"
#include "platform_dshow_media/Movies.h"

namespace tavorin::test {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsToStop(MovieGraph& movie) {
  Clock::time_point start = Clock::now();
  EXPECT_EQ(movie.control->Stop(), S_OK);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Damaged movies either fail to build with an error code, or run and
// complete (early, when data is missing) without hanging or crashing.
void PlayDamaged(const std::vector<uint8_t>& bytes, const std::string& what) {
  SCOPED_TRACE(what);
  MovieGraph movie(bytes);
  if (FAILED(movie.videoResult)) return;
  ASSERT_TRUE(SUCCEEDED(movie.control->Run()));
  LONG code = movie.WaitForEnd(15000);
  EXPECT_TRUE(code == EC_COMPLETE || code == EC_ERRORABORT) << code;
  EXPECT_LT(SecondsToStop(movie), 1.0);
}

TEST(RobustnessTest, TruncatedAndCorruptMoviesFailOrCompleteWithoutHanging) {
  for (const char* name : {"mjpeg-pcm.avi", "mpeg4-pcm.avi", "h264-aac.mp4", "vp8-vorbis.mkv"}) {
    std::vector<uint8_t> bytes = ReadFileBytes(MovieNamed(name).path);
    for (int percent : {10, 50, 90}) {
      std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() * percent / 100);
      PlayDamaged(cut, std::string(name) + " cut to " + std::to_string(percent) + "%");
    }
    // Every 97th byte inverted, the header included.
    std::vector<uint8_t> flipped = bytes;
    for (size_t i = 13; i < flipped.size(); i += 97) flipped[i] ^= 0xFF;
    PlayDamaged(flipped, std::string(name) + " flipped");
  }
  MovieGraph empty(std::vector<uint8_t>{});
  EXPECT_TRUE(FAILED(empty.videoResult));
}

TEST(RobustnessTest, StopReturnsPromptlyFromEveryState) {
  std::vector<uint8_t> bytes = ReadFileBytes(MovieNamed("mpeg4-pcm.avi").path);
  {
    MovieGraph running(bytes);
    ASSERT_EQ(running.control->Run(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(SecondsToStop(running), 1.0);
    EXPECT_EQ(running.State(), 0);
  }
  {
    MovieGraph paused(bytes);
    ASSERT_EQ(paused.Cue(), S_OK);
    EXPECT_LT(SecondsToStop(paused), 1.0);
  }
  {
    // Paused with the renderer still waiting for its first sample.
    MovieGraph cueing(bytes);
    cueing.renderer->HoldSamples(true);
    cueing.control->Pause();
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      cueing.renderer->HoldSamples(false);
    });
    EXPECT_LT(SecondsToStop(cueing), 1.0);
    release.join();
  }
  {
    MovieGraph finished(bytes);
    ComPtr<IMediaFilter> filter;
    finished.graph.As(&filter);
    filter->SetSyncSource(nullptr);
    ASSERT_EQ(finished.control->Run(), S_OK);
    ASSERT_EQ(finished.WaitForEnd(10000), EC_COMPLETE);
    EXPECT_LT(SecondsToStop(finished), 1.0);
    // Running again from where it stopped, the end, completes at once.
    ASSERT_EQ(finished.control->Run(), S_OK);
    EXPECT_EQ(finished.WaitForEnd(5000), EC_COMPLETE);
    EXPECT_LT(SecondsToStop(finished), 1.0);
  }
}

}  // namespace
}  // namespace tavorin::test
