#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform_dshow/MovieGraph.h"
#include "platform_dshow_media/Movies.h"

namespace tavorin::test {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

size_t FilterCount(IGraphBuilder* graph) {
  ComPtr<IEnumFilters> filters;
  graph->EnumFilters(filters.ReleaseAndGetAddressOf());
  size_t count = 0;
  IBaseFilter* filter = nullptr;
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    filter->Release();
    ++count;
  }
  return count;
}

TEST(FilterGraphTest, RenderStreamFailsWithoutAChainAndLeavesNothingBehind) {
  std::vector<uint8_t> bytes = ReadFileBytes(MovieNamed("mjpeg.avi").path);
  // A renderer that takes only a format nothing produces.
  MovieGraph refused(bytes, [](const CMediaType& type) {
    return type.majortype == MEDIATYPE_Video && type.subtype == MEDIATYPE_Audio;
  });
  EXPECT_EQ(refused.videoResult, VFW_E_CANNOT_CONNECT);
  EXPECT_EQ(FilterCount(refused.graph.Get()), 2u);

  // A movie without sound: the audio RenderStream fails and nothing else.
  MovieGraph silent(bytes);
  ASSERT_EQ(silent.videoResult, S_OK);
  EXPECT_TRUE(FAILED(silent.audioResult));
  EXPECT_EQ(FilterCount(silent.graph.Get()), 3u);
  ComPtr<IBaseFilter> splitter;
  EXPECT_EQ(silent.graph->FindFilterByName(L"Splitter", splitter.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(silent.control->Run(), S_OK);
  EXPECT_EQ(silent.WaitForEnd(10000), EC_COMPLETE);
}

TEST(FilterGraphTest, PauseStaysIntermediateUntilTheFirstSampleArrives) {
  MovieGraph movie(ReadFileBytes(MovieNamed("mpeg4.avi").path), nullptr, true);
  ASSERT_EQ(movie.videoResult, S_OK);
  // Pausing cannot complete before the renderer has a sample.
  movie.renderer->HoldSamples(true);
  EXPECT_EQ(movie.control->Pause(), S_FALSE);
  HRESULT hr = S_OK;
  EXPECT_EQ(movie.State(&hr), 1);
  EXPECT_EQ(hr, VFW_S_STATE_INTERMEDIATE);
  EXPECT_EQ(movie.renderer->SampleCount(), 0u);

  // Once a sample can arrive, the pause completes on it.
  movie.renderer->HoldSamples(false);
  OAFilterState state = -1;
  EXPECT_EQ(movie.control->GetState(10000, &state), S_OK);
  EXPECT_EQ(state, 1);
  std::vector<RenderedSample> cued = movie.renderer->Samples();
  ASSERT_EQ(cued.size(), 1u);
  EXPECT_TRUE(cued[0].firstWhilePaused);
  EXPECT_EQ(cued[0].start, 0);

  // Stop from paused, then StopWhenReady cues the first frame again.
  EXPECT_EQ(movie.control->Stop(), S_OK);
  EXPECT_EQ(movie.State(), 0);
  LONGLONG zero = 0;
  movie.seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr,
                              AM_SEEKING_NoPositioning);
  EXPECT_EQ(movie.control->StopWhenReady(), S_OK);
  EXPECT_EQ(movie.State(&hr), 0);
  EXPECT_EQ(hr, S_OK);
  cued = movie.renderer->Samples();
  ASSERT_EQ(cued.size(), 2u);
  EXPECT_TRUE(cued[1].firstWhilePaused);
  EXPECT_EQ(cued[1].data, cued[0].data);

  // Run from stopped cues first: the first sample again arrives while paused.
  EXPECT_EQ(movie.control->Run(), S_OK);
  EXPECT_EQ(movie.State(), 2);
  EXPECT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  cued = movie.renderer->Samples();
  ASSERT_GT(cued.size(), 3u);
  EXPECT_TRUE(cued[2].firstWhilePaused);
  EXPECT_FALSE(cued[3].firstWhilePaused);
}

TEST(FilterGraphTest, PlaysInRealTimeAtTheRateAskedAndAsFastAsPossibleWithoutAClock) {
  std::vector<uint8_t> bytes = ReadFileBytes(MovieNamed("mpeg4.avi").path);
  {
    MovieGraph movie(bytes);
    ASSERT_EQ(movie.Cue(), S_OK);
    Clock::time_point start = Clock::now();
    ASSERT_EQ(movie.control->Run(), S_OK);
    ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
    EXPECT_NEAR(SecondsSince(start), 3.0, 0.15);
    // In time-stamp order, and none drawn before its time.
    std::vector<RenderedSample> samples = movie.renderer->Samples();
    ASSERT_GT(samples.size(), 45u);
    for (size_t i = 1; i < samples.size(); ++i) {
      EXPECT_GE(samples[i].start, samples[i - 1].start);
      if (samples[i].drawnAt >= 0) {
        EXPECT_GE(samples[i].drawnAt, samples[i].start);
      }
    }
  }
  {
    MovieGraph movie(bytes);
    ASSERT_EQ(movie.seeking->SetRate(2.0), S_OK);
    ASSERT_EQ(movie.Cue(), S_OK);
    Clock::time_point start = Clock::now();
    ASSERT_EQ(movie.control->Run(), S_OK);
    ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
    EXPECT_NEAR(SecondsSince(start), 1.5, 0.075);
    double rate = 0;
    EXPECT_EQ(movie.seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 2.0);
  }
  {
    MovieGraph movie(bytes);
    ComPtr<IMediaFilter> filter;
    ASSERT_EQ(movie.graph.As(&filter), S_OK);
    ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
    Clock::time_point start = Clock::now();
    ASSERT_EQ(movie.control->Run(), S_OK);
    ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
    EXPECT_LT(SecondsSince(start), 2.0);
    // Nothing is late without a clock, so every frame is drawn.
    EXPECT_EQ(movie.renderer->SampleCount(), static_cast<size_t>(kMovieFrames) + 1);
  }
}

TEST(FilterGraphTest, ARendererTooSlowForEveryFrameDropsLateOnesAndKeepsTime) {
  MovieGraph movie(ReadFileBytes(MovieNamed("mpeg4.avi").path));
  ASSERT_EQ(movie.Cue(), S_OK);
  movie.renderer->SetDrawTime(100);
  Clock::time_point start = Clock::now();
  ASSERT_EQ(movie.control->Run(), S_OK);
  ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  EXPECT_NEAR(SecondsSince(start), 3.0, 0.3);
  // About one frame in three fits; the rest come too late and are dropped.
  EXPECT_GT(movie.renderer->FramesDropped(), 30);
  EXPECT_LT(movie.renderer->SampleCount(), 60u);
}

TEST(FilterGraphTest, PositionStandsStillWhilePausedAndGoesOnFromThere) {
  MovieGraph movie(ReadFileBytes(MovieNamed("mpeg4.avi").path));
  ASSERT_EQ(movie.control->Run(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_EQ(movie.control->Pause(), S_OK);
  LONGLONG paused = 0;
  LONGLONG later = 0;
  ASSERT_EQ(movie.seeking->GetCurrentPosition(&paused), S_OK);
  EXPECT_GT(paused, 3000000);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(movie.seeking->GetCurrentPosition(&later), S_OK);
  EXPECT_EQ(later, paused);
  LONG code = 0;
  EXPECT_EQ(movie.events->WaitForCompletion(0, &code), E_ABORT);

  ASSERT_EQ(movie.control->Run(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(movie.seeking->GetCurrentPosition(&later), S_OK);
  EXPECT_GT(later, paused + 2000000);
  EXPECT_LT(later, paused + 9000000);
  // The frames after the pause carry on from the frame before it.
  ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  std::vector<RenderedSample> samples = movie.renderer->Samples();
  for (size_t i = 1; i < samples.size(); ++i) EXPECT_GE(samples[i].start, samples[i - 1].start);
}

TEST(FilterGraphTest, EveryTestMovieRendersAllItsFramesAndItsSound) {
  for (const Movie& made : Movies()) {
    SCOPED_TRACE(made.name);
    MovieGraph movie(ReadFileBytes(made.path));
    ASSERT_EQ(movie.videoResult, S_OK);
    EXPECT_EQ(SUCCEEDED(movie.audioResult), made.sampleRate != 0);
    LONGLONG duration = 0;
    ASSERT_EQ(movie.seeking->GetDuration(&duration), S_OK);
    EXPECT_NEAR(static_cast<double>(duration), 30000000.0, 700000.0);
    ComPtr<IMediaFilter> filter;
    ASSERT_EQ(movie.graph.As(&filter), S_OK);
    ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
    ASSERT_EQ(movie.control->Run(), S_OK);
    ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
    // Every frame once, the first one also when it was cued.
    EXPECT_EQ(movie.renderer->SampleCount(), static_cast<size_t>(kMovieFrames) + 1);
  }
}

int GreenFrameNumber(const RenderedSample& sample) {
  // Any pixel: the green level is twice the frame number.
  return (sample.data.at(1) + 1) / 2;
}

TEST(FilterGraphTest, SeekingWhileRunningDeliversTheFrameAtTheTargetFirst) {
  MovieGraph movie(ReadFileBytes(MovieNamed("mjpeg.avi").path), nullptr, true);
  ASSERT_EQ(movie.videoResult, S_OK);
  LONGLONG duration = 0;
  ASSERT_EQ(movie.seeking->GetDuration(&duration), S_OK);
  EXPECT_NEAR(static_cast<double>(duration), 30000000.0, 340000.0);
  DWORD capabilities = 0;
  movie.seeking->GetCapabilities(&capabilities);
  EXPECT_TRUE(capabilities & AM_SEEKING_CanSeekAbsolute);

  ASSERT_EQ(movie.control->Run(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  size_t before = movie.renderer->SampleCount();
  // 1.51 s lies in frame 45 (1.500 ... 1.533 s).
  LONGLONG target = 15100000;
  ASSERT_EQ(movie.seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning),
            S_OK);
  LONGLONG position = 0;
  ASSERT_EQ(movie.seeking->GetCurrentPosition(&position), S_OK);
  EXPECT_GE(position, target);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ASSERT_EQ(movie.seeking->GetCurrentPosition(&position), S_OK);
  EXPECT_GT(position, target + 2000000);
  EXPECT_LT(position, target + 9000000);

  std::vector<RenderedSample> samples = movie.renderer->Samples();
  ASSERT_GT(samples.size(), before);
  EXPECT_EQ(GreenFrameNumber(samples[before]), 45);
  EXPECT_LE(samples[before].start, 0);
  EXPECT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  ASSERT_EQ(movie.seeking->GetCurrentPosition(&position), S_OK);
  EXPECT_EQ(position, duration);
}

}  // namespace
}  // namespace tavorin::test
