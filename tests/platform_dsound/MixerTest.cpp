#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "DSoundFixture.h"
#include "support/TempDir.h"

namespace dsound_test {
namespace {

constexpr DWORD kControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;

int ZeroCrossings(const std::vector<float>& stereo, int channel) {
  int crossings = 0;
  for (size_t i = 1; 2 * i + 1 < stereo.size(); ++i) {
    float before = stereo[2 * (i - 1) + channel];
    float now = stereo[2 * i + channel];
    if ((before < 0.0f) != (now < 0.0f)) ++crossings;
  }
  return crossings;
}

using DSoundMixerTest = SoundFixture;

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : m_name(name) {
    const char* previous = std::getenv(name);
    m_had = previous != nullptr;
    if (m_had) m_saved = previous;
    setenv(name, value, 1);
  }
  ~ScopedEnvironment() {
    if (m_had) {
      setenv(m_name, m_saved.c_str(), 1);
    } else {
      unsetenv(m_name);
    }
  }

 private:
  const char* m_name;
  bool m_had = false;
  std::string m_saved;
};

TEST_F(DSoundMixerTest, VolumeAttenuatesInHundredthsOfADecibel) {
  // 480 frames hold exactly 10 cycles, so the loop is seamless.
  IDirectSoundBuffer* buffer = CreateSine(kControls, 48000, 1.0 / 48.0, 0.8, 480);
  ASSERT_NE(nullptr, buffer);
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));
  const float full = Peak(Mix(960), 0);
  EXPECT_NEAR(0.8f, full, 0.01f);

  ASSERT_EQ(DS_OK, buffer->SetVolume(-600));
  std::vector<float> half = Mix(960);
  EXPECT_NEAR(0.5f, Peak(half, 0) / full, 0.01f);
  EXPECT_NEAR(0.5f, Peak(half, 1) / full, 0.01f);

  ASSERT_EQ(DS_OK, buffer->SetVolume(DSBVOLUME_MIN));
  EXPECT_EQ(0.0f, Peak(Mix(960), 0));

  // The primary buffer's volume scales the whole mix on top.
  ASSERT_EQ(DS_OK, buffer->SetVolume(0));
  DSBUFFERDESC primaryDesc = Description(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME, 0, nullptr);
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(DS_OK, m_sound->CreateSoundBuffer(&primaryDesc, &primary, nullptr));
  ASSERT_EQ(DS_OK, primary->SetVolume(-600));
  EXPECT_NEAR(0.5f, Peak(Mix(960), 0) / full, 0.01f);
  primary->Release();
}

TEST_F(DSoundMixerTest, PanAttenuatesTheOppositeSide) {
  IDirectSoundBuffer* buffer = CreateSine(kControls, 48000, 1.0 / 48.0, 0.8, 480);
  ASSERT_NE(nullptr, buffer);
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));

  ASSERT_EQ(DS_OK, buffer->SetPan(DSBPAN_LEFT));
  std::vector<float> left = Mix(960);
  EXPECT_NEAR(0.8f, Peak(left, 0), 0.01f);
  EXPECT_EQ(0.0f, Peak(left, 1));

  ASSERT_EQ(DS_OK, buffer->SetPan(DSBPAN_RIGHT));
  std::vector<float> right = Mix(960);
  EXPECT_EQ(0.0f, Peak(right, 0));
  EXPECT_NEAR(0.8f, Peak(right, 1), 0.01f);

  // A pan of 600 takes 6 dB from the left only; the volume adds to it.
  ASSERT_EQ(DS_OK, buffer->SetPan(600));
  std::vector<float> partial = Mix(960);
  EXPECT_NEAR(0.4f, Peak(partial, 0), 0.01f);
  EXPECT_NEAR(0.8f, Peak(partial, 1), 0.01f);
  ASSERT_EQ(DS_OK, buffer->SetVolume(-600));
  partial = Mix(960);
  EXPECT_NEAR(0.2f, Peak(partial, 0), 0.01f);
  EXPECT_NEAR(0.4f, Peak(partial, 1), 0.01f);
}

TEST_F(DSoundMixerTest, StereoBuffersKeepTheirChannels) {
  IDirectSoundBuffer* buffer = Create(kControls, 400, Pcm(2, 16, 48000));
  ASSERT_NE(nullptr, buffer);
  std::vector<int16_t> frames(200);
  for (size_t i = 0; i < frames.size(); i += 2) {
    frames[i] = 16384;      // left  +0.5
    frames[i + 1] = -8192;  // right -0.25
  }
  Fill(buffer, frames.data(), 400);
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));
  std::vector<float> out = Mix(100);
  EXPECT_FLOAT_EQ(0.5f, out[20]);
  EXPECT_FLOAT_EQ(-0.25f, out[21]);
}

TEST_F(DSoundMixerTest, FrequencyResamplesThePitch) {
  // A 24 kHz buffer with 500 Hz: 48 samples per cycle, 10 cycles.
  IDirectSoundBuffer* buffer = CreateSine(kControls, 24000, 1.0 / 48.0, 0.5, 480);
  ASSERT_NE(nullptr, buffer);
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));

  // At its own rate 0.1 s holds 50 cycles: 100 zero crossings.
  int original = ZeroCrossings(Mix(4800), 0);
  EXPECT_NEAR(100, original, 2);

  ASSERT_EQ(DS_OK, buffer->SetFrequency(48000));
  std::vector<float> doubled = Mix(4800);
  EXPECT_NEAR(2 * original, ZeroCrossings(doubled, 0), 2);
  // Linear interpolation keeps the level of a slow sine.
  EXPECT_NEAR(0.5f, Peak(doubled, 0), 0.02f);

  DWORD frequency = 0;
  ASSERT_EQ(DS_OK, buffer->GetFrequency(&frequency));
  EXPECT_EQ(48000u, frequency);
  ASSERT_EQ(DS_OK, buffer->SetFrequency(DSBFREQUENCY_ORIGINAL));
  ASSERT_EQ(DS_OK, buffer->GetFrequency(&frequency));
  EXPECT_EQ(24000u, frequency);
  EXPECT_NEAR(original, ZeroCrossings(Mix(4800), 0), 2);
}

TEST_F(DSoundMixerTest, OneShotStopsAtItsEndWhileLoopingWraps) {
  std::vector<int16_t> level(480, 8192);  // 0.25

  IDirectSoundBuffer* once = Create(0, 960, Pcm(1, 16, 48000));
  IDirectSoundBuffer* loop = Create(0, 960, Pcm(1, 16, 48000));
  ASSERT_NE(nullptr, once);
  ASSERT_NE(nullptr, loop);
  Fill(once, level.data(), 960);
  Fill(loop, level.data(), 960);

  // One-shot: 480 frames of sound, then silence, stopped and rewound.
  ASSERT_EQ(DS_OK, once->Play(0, 0, 0));
  DWORD status = 0;
  ASSERT_EQ(DS_OK, once->GetStatus(&status));
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING), status);
  std::vector<float> out = Mix(1000);
  EXPECT_FLOAT_EQ(0.25f, out[2 * 478]);
  EXPECT_EQ(0.0f, Peak(out, 0, 480));
  ASSERT_EQ(DS_OK, once->GetStatus(&status));
  EXPECT_EQ(0u, status);
  DWORD play = 1;
  DWORD write = 1;
  ASSERT_EQ(DS_OK, once->GetCurrentPosition(&play, &write));
  EXPECT_EQ(0u, play);
  EXPECT_EQ(0u, write);

  // Looping: sound throughout, cursor wrapped to frame 1000 - 2 × 480.
  ASSERT_EQ(DS_OK, loop->Play(0, 0, DSBPLAY_LOOPING));
  out = Mix(1000);
  EXPECT_NEAR(0.25f, Peak(out, 0, 0), 1e-6);
  for (size_t i = 0; i < 1000; ++i) ASSERT_FLOAT_EQ(0.25f, out[2 * i]) << i;
  ASSERT_EQ(DS_OK, loop->GetStatus(&status));
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), status);
  ASSERT_EQ(DS_OK, loop->GetCurrentPosition(&play, nullptr));
  EXPECT_EQ(40u * 2, play);

  // Stop keeps the cursor; Play resumes from it.
  ASSERT_EQ(DS_OK, loop->Stop());
  Mix(100);
  ASSERT_EQ(DS_OK, loop->GetCurrentPosition(&play, nullptr));
  EXPECT_EQ(40u * 2, play);
}

TEST_F(DSoundMixerTest, EightBitAndFloatSamplesAreScaledToUnity) {
  IDirectSoundBuffer* eight = Create(0, 100, Pcm(1, 8, 48000));
  ASSERT_NE(nullptr, eight);
  std::vector<BYTE> bytes(100, 0x80 + 64);  // +0.5
  Fill(eight, bytes.data(), 100);

  WAVEFORMATEX floatFormat = Pcm(1, 32, 48000);
  floatFormat.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  IDirectSoundBuffer* floats = Create(0, 400, floatFormat);
  ASSERT_NE(nullptr, floats);
  std::vector<float> values(100, -0.125f);
  Fill(floats, values.data(), 400);

  ASSERT_EQ(DS_OK, eight->Play(0, 0, DSBPLAY_LOOPING));
  ASSERT_EQ(DS_OK, floats->Play(0, 0, DSBPLAY_LOOPING));
  std::vector<float> out = Mix(10);
  EXPECT_FLOAT_EQ(0.375f, out[0]);
  EXPECT_FLOAT_EQ(0.375f, out[1]);
}

TEST_F(DSoundMixerTest, DuplicateSharesSamplesButNotTheCursor) {
  IDirectSoundBuffer* buffer = Create(DSBCAPS_CTRLVOLUME, 200, Pcm(1, 16, 48000));
  ASSERT_NE(nullptr, buffer);
  ASSERT_EQ(DS_OK, buffer->SetVolume(-600));
  IDirectSoundBuffer* copy = nullptr;
  ASSERT_EQ(DS_OK, m_sound->DuplicateSoundBuffer(buffer, &copy));
  std::vector<int16_t> level(100, 16384);
  Fill(buffer, level.data(), 200);  // written after duplication: still shared

  ASSERT_EQ(DS_OK, copy->Play(0, 0, 0));
  std::vector<float> out = Mix(50);
  EXPECT_NEAR(0.25f, out[0], 0.002f);
  DWORD play = 0;
  ASSERT_EQ(DS_OK, buffer->GetCurrentPosition(&play, nullptr));
  EXPECT_EQ(0u, play);
  ASSERT_EQ(DS_OK, copy->GetCurrentPosition(&play, nullptr));
  EXPECT_EQ(100u, play);
  copy->Release();
}

// Real-time behaviour through the output device (the dummy driver, or the
// silent clock when no device opens).
class DSoundRealTimeTest : public SoundFixture {
 protected:
  DSoundRealTimeTest() : SoundFixture(false) {}
};

TEST_F(DSoundRealTimeTest, PlayCursorAndOutputRunAtTheRealRate) {
  using Clock = std::chrono::steady_clock;
  const DWORD rate = 44100;
  IDirectSoundBuffer* buffer = CreateSine(0, rate, 441.0 / 44100.0, 0.5, 2 * rate);
  ASSERT_NE(nullptr, buffer);
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  auto readCursor = [&](DWORD* cursor) {
    Clock::time_point before = Clock::now();
    EXPECT_EQ(DS_OK, buffer->GetCurrentPosition(cursor, nullptr));
    Clock::time_point after = Clock::now();
    return before + (after - before) / 2;
  };
  DWORD start = 0;
  DWORD end = 0;
  tavorin::test::DSoundStartCapture();
  Clock::time_point startTime = readCursor(&start);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  Clock::time_point endTime = readCursor(&end);
  std::vector<float> captured = tavorin::test::DSoundStopCapture();

  const DWORD size = 2 * rate * 2;
  double movedFrames = double((end + size - start) % size) / 2.0;
  double seconds = std::chrono::duration<double>(endTime - startTime).count();
  EXPECT_NEAR(1.0, movedFrames / seconds / rate, 0.02);

  // The output carried the sound at its own real rate too.
  double capturedSeconds = double(captured.size() / 2) / tavorin::test::kDSoundOutputRate;
  EXPECT_NEAR(seconds, capturedSeconds, 0.05);
  EXPECT_NEAR(0.5f, Peak(captured, 0), 0.02f);
}

TEST_F(DSoundRealTimeTest, CallsFromManyThreadsWhileMixingAreSafe) {
  IDirectSoundBuffer* buffer =
      Create(DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY, 4800, Pcm(2, 16, 48000));
  ASSERT_NE(nullptr, buffer);
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0;
        DWORD n2 = 0;
        DWORD play = 0;
        bool ok = SUCCEEDED(buffer->Lock(DWORD(t * 1200), 2400, &p1, &n1, &p2, &n2, 0));
        if (ok) {
          std::memset(p1, t, n1);
          if (p2 != nullptr) std::memset(p2, t, n2);
          ok = SUCCEEDED(buffer->Unlock(p1, n1, p2, n2));
        }
        ok = ok && SUCCEEDED(buffer->SetVolume(-(i % 100) * 10));
        ok = ok && SUCCEEDED(buffer->SetPan((t - 2) * 1000));
        ok = ok && SUCCEEDED(buffer->SetFrequency(DWORD(24000 + i * 100)));
        ok = ok && SUCCEEDED(buffer->GetCurrentPosition(&play, nullptr)) && play < 4800;
        if (i % 50 == 0)
          ok = ok && SUCCEEDED(buffer->Stop()) && SUCCEEDED(buffer->Play(0, 0, DSBPLAY_LOOPING));
        if (!ok) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, failures.load());
  DWORD status = 0;
  ASSERT_EQ(DS_OK, buffer->GetStatus(&status));
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), status);
}

TEST(DSoundSilentOutputTest, WithoutADeviceCursorsStillMoveInRealTime) {
  using Clock = std::chrono::steady_clock;
  IDirectSound8* sound = nullptr;
  HRESULT created;
  {
    ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
    created = DirectSoundCreate8(nullptr, &sound, nullptr);
  }
  ASSERT_EQ(DS_OK, created);
  EXPECT_TRUE(tavorin::test::DSoundIsSilentOutput());
  ASSERT_EQ(DS_OK, sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL));

  WAVEFORMATEX format = Pcm(1, 8, 8000);
  DSBUFFERDESC desc = Description(0, 8000, &format);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(DS_OK, sound->CreateSoundBuffer(&desc, &buffer, nullptr));
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  DWORD first = 0;
  DWORD second = 0;
  ASSERT_EQ(DS_OK, buffer->GetCurrentPosition(&first, nullptr));
  Clock::time_point start = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ASSERT_EQ(DS_OK, buffer->GetCurrentPosition(&second, nullptr));
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  // A render that comes late holds a cursor at its block's end until it
  // runs, so on a loaded machine either reading may lag by several blocks;
  // a stalled or free-running clock is still far outside.
  EXPECT_NEAR(1.0, double(second - first) / (seconds * 8000), 0.2);
  DWORD status = 0;
  ASSERT_EQ(DS_OK, buffer->GetStatus(&status));
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING), status);
  buffer->Release();
  sound->Release();
  EXPECT_FALSE(tavorin::test::DSoundIsSilentOutput());
}

TEST(DSoundSilentOutputTest, AnOutputThatCannotStartFailsTheCreationAndTheNextOneWorks) {
  ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
  tavorin::test::DSoundFailOutputThreads(true);
  IDirectSound8* sound = reinterpret_cast<IDirectSound8*>(1);
  EXPECT_EQ(DSERR_OUTOFMEMORY, DirectSoundCreate8(nullptr, &sound, nullptr));
  EXPECT_EQ(nullptr, sound);
  EXPECT_FALSE(tavorin::test::DSoundIsSilentOutput());
  tavorin::test::DSoundFailOutputThreads(false);

  // Nothing of the failed attempt is left behind: the next object gets a
  // running output whose cursors move.
  ASSERT_EQ(DS_OK, DirectSoundCreate8(nullptr, &sound, nullptr));
  EXPECT_TRUE(tavorin::test::DSoundIsSilentOutput());
  ASSERT_EQ(DS_OK, sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL));
  WAVEFORMATEX format = Pcm(1, 8, 8000);
  DSBUFFERDESC desc = Description(0, 8000, &format);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(DS_OK, sound->CreateSoundBuffer(&desc, &buffer, nullptr));
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, 0));
  DWORD play = 0;
  for (int i = 0; i < 200 && play == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(DS_OK, buffer->GetCurrentPosition(&play, nullptr));
  }
  EXPECT_GT(play, 0u);
  buffer->Release();
  sound->Release();
}

// A device that pulls more slowly than it plays (the disk driver, told to
// wait 25 ms between 10 ms blocks) receives every sample in order.
TEST(DSoundDeviceOutputTest, ADeviceThatPullsLateLosesNoSamples) {
  tavorin::test::TempDir dir;
  const std::string file = dir.File("out.raw");
  {
    ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
    ScopedEnvironment target("SDL_DISKAUDIOFILE", file.c_str());
    ScopedEnvironment delay("SDL_DISKAUDIODELAY", "25");
    IDirectSound8* sound = nullptr;
    ASSERT_EQ(DS_OK, DirectSoundCreate8(nullptr, &sound, nullptr));
    EXPECT_FALSE(tavorin::test::DSoundIsSilentOutput());
    ASSERT_EQ(DS_OK, sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL));
    // A rising ramp at the output rate, so every output frame is its
    // predecessor plus one step, except where the loop wraps.
    constexpr DWORD kFrames = 4800;
    std::vector<int16_t> ramp(kFrames);
    for (DWORD i = 0; i < kFrames; ++i) ramp[i] = static_cast<int16_t>((int(i) - 2400) * 8);
    WAVEFORMATEX format = Pcm(1, 16, tavorin::test::kDSoundOutputRate);
    DSBUFFERDESC desc = Description(0, kFrames * 2, &format);
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(DS_OK, sound->CreateSoundBuffer(&desc, &buffer, nullptr));
    Fill(buffer, ramp.data(), kFrames * 2);
    ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    buffer->Release();
    sound->Release();
  }
  std::vector<uint8_t> bytes = dir.Read("out.raw");
  std::vector<float> out(bytes.size() / sizeof(float));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(float));
  size_t first = 0;
  while (2 * first < out.size() && out[2 * first] == 0.0f) ++first;
  const float step = 8.0f / 32768.0f;
  size_t checked = 0, broken = 0;
  for (size_t i = first + 1; 2 * i + 1 < out.size(); ++i) {
    float rise = out[2 * i] - out[2 * (i - 1)];
    bool next = std::fabs(rise - step) < 1e-5f;
    bool wrap = std::fabs(rise + float(4800 - 1) * step) < 1e-5f;
    if (!next && !wrap) ++broken;
    ++checked;
  }
  EXPECT_GT(checked, 4000u) << "the device pulled too little to tell";
  EXPECT_EQ(0u, broken) << "of " << checked << " frames";
}

}  // namespace
}  // namespace dsound_test
