#include <chrono>
#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <platform_test.h>

#include "platform_dshow/MovieGraph.h"
#include "platform_dshow_media/Movies.h"
#include "support/TempDir.h"

namespace tavorin::test {
namespace {

struct Capture {
  double peak[2] = {0, 0};
  // How much of the left channel's power is a tone of the given frequency,
  // the median over 20 ms windows that hold sound: near 1 for that tone,
  // near 0 for anything else. Windows keep a rare gap of a loaded machine
  // from counting against the whole.
  double purity = 0;
};

Capture Analyse(const std::vector<float>& frames, double frequency) {
  Capture capture;
  size_t count = frames.size() / 2;
  for (size_t i = 0; i < count; ++i) {
    capture.peak[0] = std::max(capture.peak[0], std::fabs(static_cast<double>(frames[2 * i])));
    capture.peak[1] = std::max(capture.peak[1], std::fabs(static_cast<double>(frames[2 * i + 1])));
  }
  const size_t window = kDSoundOutputRate / 50;
  std::vector<double> purities;
  for (size_t begin = 0; begin + window <= count; begin += window) {
    double sine = 0;
    double cosine = 0;
    double power = 0;
    for (size_t i = begin; i < begin + window; ++i) {
      double phase = 2 * M_PI * frequency * static_cast<double>(i) / kDSoundOutputRate;
      double left = frames[2 * i];
      sine += left * std::sin(phase);
      cosine += left * std::cos(phase);
      power += left * left;
    }
    double rms = std::sqrt(power / window);
    if (rms < capture.peak[0] * 0.3) continue;
    purities.push_back(2 * (sine * sine + cosine * cosine) / (power * window));
  }
  if (!purities.empty()) {
    std::nth_element(purities.begin(), purities.begin() + purities.size() / 2, purities.end());
    capture.purity = purities[purities.size() / 2];
  }
  return capture;
}

// Plays the first `seconds` of the movie and returns the captured output.
std::vector<float> PlayAndCapture(const std::vector<uint8_t>& bytes, double seconds, LONG volume,
                                  LONG balance) {
  MovieGraph movie(bytes);
  EXPECT_EQ(movie.audioResult, S_OK);
  ComPtr<IBasicAudio> audio;
  EXPECT_EQ(movie.graph.As(&audio), S_OK);
  EXPECT_EQ(audio->put_Volume(volume), S_OK);
  EXPECT_EQ(audio->put_Balance(balance), S_OK);
  LONG read = 1;
  audio->get_Volume(&read);
  EXPECT_EQ(read, volume);
  LONGLONG stop = static_cast<LONGLONG>(seconds * 1e7);
  movie.seeking->SetPositions(nullptr, AM_SEEKING_NoPositioning, &stop,
                              AM_SEEKING_AbsolutePositioning);
  DSoundStartCapture();
  EXPECT_EQ(movie.control->Run(), S_OK);
  EXPECT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  movie.control->Stop();
  return DSoundStopCapture();
}

TEST(AudioRendererTest, MovieSoundReachesDirectSoundWithVolumeAndBalance) {
  std::vector<uint8_t> bytes = ReadFileBytes(MovieNamed("mjpeg-pcm.avi").path);
  std::vector<float> fullOutput = PlayAndCapture(bytes, 1.0, 0, 0);
  Capture full = Analyse(fullOutput, 440);
  Capture quiet = Analyse(PlayAndCapture(bytes, 1.0, -2000, 0), 440);
  Capture left = Analyse(PlayAndCapture(bytes, 1.0, 0, -10000), 440);

  // The movie's 440 Hz tone is what plays, on both channels alike.
  ASSERT_GT(full.peak[0], 0.05);
  EXPECT_GT(full.purity, 0.8);
  EXPECT_LT(Analyse(fullOutput, 1000).purity, 0.05);
  EXPECT_NEAR(full.peak[1], full.peak[0], full.peak[0] * 0.05);
  // -20 dB is a tenth of the amplitude.
  EXPECT_NEAR(quiet.peak[0] / full.peak[0], 0.1, 0.01);
  EXPECT_GT(quiet.purity, 0.8);
  // Balance all the way left silences the right channel.
  EXPECT_GT(left.peak[0], full.peak[0] * 0.9);
  EXPECT_LT(left.peak[1], full.peak[0] * 0.01);
}

// A movie with `videoSeconds` of grey pictures and `audioSeconds` of tone.
std::vector<uint8_t> MakeMovie(double videoSeconds, double audioSeconds) {
  TempDir dir;
  std::string path = dir.File("movie.avi");
  std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i color=c=gray:s=64x48:r=30:d=" +
      std::to_string(videoSeconds) +
      " -f lavfi -i sine=frequency=440:sample_rate=22050:duration=" + std::to_string(audioSeconds) +
      " -c:v mjpeg -c:a pcm_s16le '" + path + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg failed");
  return ReadFileBytes(path);
}

TEST(AudioRendererTest, CompletesOnlyAfterEveryRendererHasFinished) {
  // One second of pictures, two of sound.
  MovieGraph movie(MakeMovie(1, 2));
  ASSERT_EQ(movie.videoResult, S_OK);
  ASSERT_EQ(movie.audioResult, S_OK);
  // The audio renderer's clock is the graph's.
  ComPtr<IBaseFilter> audio;
  ASSERT_EQ(movie.graph->FindFilterByName(L"Audio Renderer", audio.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IReferenceClock> audioClock;
  ASSERT_EQ(audio.As(&audioClock), S_OK);
  ASSERT_EQ(movie.Cue(), S_OK);
  ComPtr<IMediaFilter> graphFilter;
  ComPtr<IReferenceClock> graphClock;
  ASSERT_EQ(movie.graph.As(&graphFilter), S_OK);
  ASSERT_EQ(graphFilter->GetSyncSource(graphClock.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(graphClock.Get(), audioClock.Get());
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(movie.control->Run(), S_OK);
  LONG code = 0;
  EXPECT_EQ(movie.events->WaitForCompletion(1500, &code), E_ABORT);
  EXPECT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(seconds, 1.8);
  // The event queue holds it once.
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
  ASSERT_EQ(movie.events->GetEvent(&code, &param1, &param2, 0), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(movie.events->GetEvent(&code, &param1, &param2, 0), E_ABORT);
}

TEST(AudioRendererTest, SoundThatEndsFirstFallsSilentWhileThePicturesPlayOn) {
  // Half a second of sound in two seconds of pictures.
  MovieGraph movie(MakeMovie(2, 0.5));
  ASSERT_EQ(movie.audioResult, S_OK);
  DSoundStartCapture();
  ASSERT_EQ(movie.control->Run(), S_OK);
  ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  std::vector<float> frames = DSoundStopCapture();
  // The tone plays, and once its half second is over nothing of it comes
  // back while the buffer would otherwise loop. The capture starts before
  // the graph has cued, so times count from the tone's first sample.
  const size_t floatsPerSecond = 2 * kDSoundOutputRate;
  const size_t onset = size_t(
      std::find_if(frames.begin(), frames.end(), [](float v) { return std::fabs(v) > 0.01f; }) -
      frames.begin());
  ASSERT_GT(frames.size(), onset + floatsPerSecond * 3 / 2);
  auto peak = [&](size_t begin, size_t end) {
    double level = 0;
    for (size_t i = begin; i < end; ++i) level = std::max(level, std::fabs(double(frames[i])));
    return level;
  };
  double early = peak(onset, onset + floatsPerSecond * 2 / 5);
  double late = peak(onset + floatsPerSecond, frames.size());
  EXPECT_GT(early, 0.05);
  EXPECT_LT(late, early * 0.01);
}

TEST(AudioRendererTest, APauseLosesNoSound) {
  // Two seconds of tone, paused for a while after its first half second.
  MovieGraph movie(MakeMovie(2, 2));
  ASSERT_EQ(movie.audioResult, S_OK);
  DSoundStartCapture();
  ASSERT_EQ(movie.control->Run(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_GE(movie.control->Pause(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ASSERT_EQ(movie.control->Run(), S_OK);
  ASSERT_EQ(movie.WaitForEnd(10000), EC_COMPLETE);
  std::vector<float> frames = DSoundStopCapture();
  // What was written ahead before the pause plays after it: all two seconds
  // of tone are heard, counted in 10 ms windows.
  const size_t window = kDSoundOutputRate / 100;
  int sounding = 0;
  for (size_t begin = 0; 2 * (begin + window) <= frames.size(); begin += window) {
    float peak = 0;
    for (size_t i = begin; i < begin + window; ++i) peak = std::max(peak, std::fabs(frames[2 * i]));
    if (peak > 0.05f) ++sounding;
  }
  EXPECT_NEAR(sounding / 100.0, 2.0, 0.1);
}

}  // namespace
}  // namespace tavorin::test
