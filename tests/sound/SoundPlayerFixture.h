// A sound object for player tests and helpers that drive the mixer by hand:
// each step mixes some output, then waits until the player's streaming
// thread has taken a pass that saw it, so results never depend on timing.
#pragma once

#include <SoundPlayer.h>
#include <comobject.h>
#include <dsound.h>
#include <platform_test.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "SoundFiles.h"

namespace sound_test {

using tavorin::ComPtr;

// Polls `done` every millisecond for up to `seconds` of real time.
inline bool WaitUntil(const std::function<bool()>& done, double seconds = 10.0) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class SoundPlayerFixture : public ::testing::Test {
 protected:
  explicit SoundPlayerFixture(bool manual = true) : m_manual(manual) {}

  void SetUp() override {
    tavorin::test::DSoundSetManualMixing(m_manual);
    ASSERT_EQ(DS_OK, DirectSoundCreate8(nullptr, m_sound.ReleaseAndGetAddressOf(), nullptr));
    ASSERT_EQ(DS_OK, m_sound->SetCooperativeLevel(reinterpret_cast<HWND>(1), DSSCL_PRIORITY));
  }

  void TearDown() override {
    m_players.clear();
    m_sound.Reset();
    tavorin::test::DSoundSetManualMixing(false);
    tavorin::test::UseRealTime();
  }

  // A player for a loose file; the fixture keeps it until the test ends.
  IDirectSoundPlayer3* Open(const std::string& path, INT type = kSoundByExtension) {
    ComPtr<IDirectSoundPlayer3> player;
    HRESULT hr = CreateSoundPlayer(path.c_str(), nullptr, m_sound.Get(),
                                   player.ReleaseAndGetAddressOf(), type);
    EXPECT_EQ(S_OK, hr) << path;
    if (FAILED(hr)) return nullptr;
    m_players.push_back(player);
    return player.Get();
  }

  // Mixes `frames` output frames into m_output.
  void Mix(size_t frames) {
    std::vector<float> block(2 * frames);
    ASSERT_TRUE(tavorin::test::DSoundMix(block.data(), frames));
    m_output.insert(m_output.end(), block.begin(), block.end());
  }

  // Mixes `frames` and waits for the thread's next look at the cursor (its
  // position moved, or the player stopped). False when it never came.
  bool Step(IDirectSoundPlayer3* player, size_t frames) {
    INT before = player->GetPosition();
    Mix(frames);
    return WaitUntil(
        [&] { return player->GetPosition() != before || player->GetState() == kSoundStopped; });
  }

  // Plays and mixes in small steps until the buffer has begun to sound.
  void Start(IDirectSoundPlayer3* player, INT loopCount, INT loopStart = 0) {
    INT before = player->GetPosition();
    ASSERT_EQ(S_OK, player->Play(loopCount, loopStart));
    ASSERT_TRUE(WaitUntil([&] {
      Mix(96);
      return WaitUntil([&] { return player->GetPosition() != before; }, 0.02) ||
             player->GetState() == kSoundStopped;
    })) << "the buffer never started";
  }

  // Steps 10 ms at a time until the player stops; false after `seconds` of
  // sound without a stop.
  bool PlayToEnd(IDirectSoundPlayer3* player, double seconds) {
    for (size_t frames = 0; frames < seconds * 48000; frames += 480) {
      if (!Step(player, 480)) return false;
      if (player->GetState() == kSoundStopped) return true;
    }
    return false;
  }

  // The left channel of the output from frame `from` on.
  std::vector<float> Left(size_t from = 0, size_t count = SIZE_MAX) const {
    std::vector<float> left;
    for (size_t i = from; 2 * i < m_output.size() && left.size() < count; ++i) {
      left.push_back(m_output[2 * i]);
    }
    return left;
  }

  float Peak(size_t from, size_t count, int channel) const {
    float peak = 0.0f;
    for (size_t i = from; i < from + count && 2 * i + 1 < m_output.size(); ++i) {
      peak = std::max(peak, std::fabs(m_output[2 * i + channel]));
    }
    return peak;
  }

  size_t Frames() const { return m_output.size() / 2; }

  ComPtr<IDirectSound8> m_sound;
  std::vector<ComPtr<IDirectSoundPlayer3>> m_players;
  std::vector<float> m_output;
  tavorin::test::TempDir m_dir;
  bool m_manual;
};

}  // namespace sound_test
