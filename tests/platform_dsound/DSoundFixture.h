// Shared set-up of the DirectSound tests: a sound object at priority level
// and buffers filled with generated waves.
#pragma once

#include <dsound.h>
#include <platform_test_dsound.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace dsound_test {

inline WAVEFORMATEX Pcm(WORD channels, WORD bits, DWORD rate) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bits;
  format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  return format;
}

inline DSBUFFERDESC Description(DWORD flags, DWORD bytes, WAVEFORMATEX* format) {
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof(DSBUFFERDESC);
  desc.dwFlags = flags;
  desc.dwBufferBytes = bytes;
  desc.lpwfxFormat = format;
  return desc;
}

// 16-bit mono samples of a sine of `cyclesPerFrame` at `amplitude` (0..1).
inline std::vector<int16_t> Sine(size_t frames, double cyclesPerFrame, double amplitude) {
  std::vector<int16_t> samples(frames);
  for (size_t i = 0; i < frames; ++i) {
    samples[i] = static_cast<int16_t>(
        std::lround(amplitude * 32767.0 * std::sin(2.0 * M_PI * cyclesPerFrame * double(i))));
  }
  return samples;
}

// Writes `bytes` into the buffer from offset 0 through Lock/Unlock.
inline void Fill(IDirectSoundBuffer* buffer, const void* bytes, DWORD size) {
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0;
  DWORD n2 = 0;
  ASSERT_EQ(DS_OK, buffer->Lock(0, size, &p1, &n1, &p2, &n2, 0));
  ASSERT_EQ(size, n1);
  std::memcpy(p1, bytes, n1);
  ASSERT_EQ(DS_OK, buffer->Unlock(p1, n1, p2, 0));
}

inline float Peak(const std::vector<float>& stereo, int channel, size_t skipFrames = 0) {
  float peak = 0.0f;
  for (size_t i = skipFrames; 2 * i + 1 < stereo.size(); ++i) {
    peak = std::max(peak, std::fabs(stereo[2 * i + channel]));
  }
  return peak;
}

// A sound object at priority level; with `manual`, the mixer runs only
// through Mix so that the output is exactly reproducible.
class SoundFixture : public ::testing::Test {
 protected:
  explicit SoundFixture(bool manual = true) : m_manual(manual) {}

  void SetUp() override {
    tavorin::test::DSoundSetManualMixing(m_manual);
    ASSERT_EQ(DS_OK, DirectSoundCreate8(nullptr, &m_sound, nullptr));
    ASSERT_EQ(DS_OK, m_sound->SetCooperativeLevel(reinterpret_cast<HWND>(1), DSSCL_PRIORITY));
  }

  void TearDown() override {
    for (IDirectSoundBuffer* buffer : m_buffers) buffer->Release();
    if (m_sound != nullptr) m_sound->Release();
    tavorin::test::DSoundSetManualMixing(false);
  }

  // A secondary buffer that the fixture releases.
  IDirectSoundBuffer* Create(DWORD flags, DWORD bytes, WAVEFORMATEX format) {
    DSBUFFERDESC desc = Description(flags, bytes, &format);
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(DS_OK, m_sound->CreateSoundBuffer(&desc, &buffer, nullptr));
    if (buffer != nullptr) m_buffers.push_back(buffer);
    return buffer;
  }

  // A 48 kHz mono buffer holding a sine that repeats seamlessly.
  IDirectSoundBuffer* CreateSine(DWORD flags, DWORD rate, double cyclesPerFrame, double amplitude,
                                 size_t frames) {
    IDirectSoundBuffer* buffer = Create(flags, static_cast<DWORD>(frames * 2), Pcm(1, 16, rate));
    if (buffer == nullptr) return nullptr;
    std::vector<int16_t> samples = Sine(frames, cyclesPerFrame, amplitude);
    Fill(buffer, samples.data(), static_cast<DWORD>(frames * 2));
    return buffer;
  }

  static std::vector<float> Mix(size_t frames) {
    std::vector<float> out(2 * frames);
    EXPECT_TRUE(tavorin::test::DSoundMix(out.data(), frames));
    return out;
  }

  IDirectSound8* m_sound = nullptr;
  std::vector<IDirectSoundBuffer*> m_buffers;
  bool m_manual;
};

}  // namespace dsound_test
