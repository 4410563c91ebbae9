// Fades, glides and clamping, on the manual clock and heard through the
// hand-run mixer.
#include <cmath>

#include "SoundPlayerFixture.h"

namespace sound_test {
namespace {

using tavorin::test::AdvanceManualTime;
using tavorin::test::SetManualTime;

constexpr float kAmplitude = 0.8f;

class SoundControlsTest : public SoundPlayerFixture {
 protected:
  // A long steady 48 kHz stereo sine, playing.
  IDirectSoundPlayer3* PlayTone() {
    SetManualTime(100000);
    Sox(m_dir, "tone.wav", "-r 48000 -b 16 -c 2", "synth 30 sine 440 vol 0.8");
    IDirectSoundPlayer3* player = Open(m_dir.File("tone.wav"));
    if (player != nullptr) Start(player, 1);
    return player;
  }

  // The peak of a fresh 10 ms block on `channel`.
  float BlockPeak(int channel) {
    size_t at = Frames();
    Mix(480);
    return Peak(at, 480, channel);
  }

  // Mixes until a block's peak on `channel` is `gain` × the tone's (the
  // thread applies a change on its next pass).
  ::testing::AssertionResult HearsGain(double gain, int channel = 0) {
    float last = 0.0f;
    if (WaitUntil(
            [&] {
              last = BlockPeak(channel);
              return std::fabs(last - kAmplitude * gain) <= 0.03 * kAmplitude * gain + 1e-6;
            },
            5.0)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "peak " << last << ", expected " << kAmplitude * gain;
  }

  static double GainOf(int hundredthsOfDb) { return std::pow(10.0, hundredthsOfDb / 2000.0); }
};

TEST_F(SoundControlsTest, FastFadeIsSilentAfterElevenMilliseconds) {
  IDirectSoundPlayer3* player = PlayTone();
  ASSERT_NE(nullptr, player);
  ASSERT_TRUE(HearsGain(1.0));
  ASSERT_EQ(S_OK, player->Stop(500.0f));
  AdvanceManualTime(10);
  ASSERT_TRUE(HearsGain(GainOf(-5000)));
  EXPECT_EQ(kSoundPlaying, player->GetState());
  AdvanceManualTime(1);
  ASSERT_TRUE(WaitUntil([&] { return player->GetState() == kSoundStopped; }));
  EXPECT_EQ(0.0f, BlockPeak(0));
  // The volume is back for the next Play.
  EXPECT_EQ(0, player->GetVolume());
  Start(player, 1);
  EXPECT_TRUE(HearsGain(1.0));
}

TEST_F(SoundControlsTest, SlowFadeTakesTenSecondsAndPlayCancelsIt) {
  IDirectSoundPlayer3* player = PlayTone();
  ASSERT_NE(nullptr, player);
  ASSERT_EQ(S_OK, player->Stop(0.5f));
  AdvanceManualTime(5000);
  ASSERT_TRUE(HearsGain(GainOf(-2500)));
  // Play during the fade brings the volume back and keeps playing.
  ASSERT_EQ(S_OK, player->Play(1, 0));
  ASSERT_TRUE(HearsGain(1.0));

  ASSERT_EQ(S_OK, player->Stop(0.5f));
  AdvanceManualTime(9990);
  ASSERT_TRUE(HearsGain(GainOf(-4995)));
  EXPECT_EQ(kSoundPlaying, player->GetState());
  AdvanceManualTime(20);
  ASSERT_TRUE(WaitUntil([&] { return player->GetState() == kSoundStopped; }));
}

TEST_F(SoundControlsTest, GlidesArriveAtTheRateGiven) {
  IDirectSoundPlayer3* player = PlayTone();
  ASSERT_NE(nullptr, player);

  // Volume: 1 unit per ms; the reported volume changes on arrival only.
  ASSERT_EQ(S_OK, player->SetVolume(-3000, 1.0f));
  AdvanceManualTime(1000);
  EXPECT_TRUE(HearsGain(GainOf(-1000)));
  EXPECT_EQ(0, player->GetVolume());
  AdvanceManualTime(2500);
  ASSERT_TRUE(WaitUntil([&] { return player->GetVolume() == -3000; }));
  EXPECT_TRUE(HearsGain(GainOf(-3000)));

  // A quarter unit per ms still moves on 1 ms passes.
  ASSERT_EQ(S_OK, player->SetVolume(0, 0.25f));
  AdvanceManualTime(4000);
  EXPECT_TRUE(HearsGain(GainOf(-2000)));
  AdvanceManualTime(8000);
  ASSERT_TRUE(WaitUntil([&] { return player->GetVolume() == 0; }));

  // Pan: 2 units per ms to the right, so the left side falls.
  ASSERT_EQ(S_OK, player->SetPan(10000, 2.0f));
  AdvanceManualTime(2500);
  EXPECT_TRUE(HearsGain(GainOf(-5000), 0));
  EXPECT_TRUE(HearsGain(1.0, 1));
  EXPECT_EQ(0, player->GetPan());
  AdvanceManualTime(2500);
  ASSERT_TRUE(WaitUntil([&] { return player->GetPan() == 10000; }));

  // Frequency: half a per mille point per ms, heard as the speed at which
  // the position moves through the sound.
  auto msPerSecondOfOutput = [&] {
    INT before = player->GetPosition();
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(Step(player, 480));
    return player->GetPosition() - before;
  };
  ASSERT_EQ(S_OK, player->SetFrequency(500, 0.5f));
  AdvanceManualTime(500);
  ASSERT_TRUE(WaitUntil([&] { return std::abs(msPerSecondOfOutput() - 750) <= 3; }, 5.0));
  EXPECT_EQ(1000, player->GetFrequency());
  AdvanceManualTime(500);
  ASSERT_TRUE(WaitUntil([&] { return player->GetFrequency() == 500; }));
  EXPECT_NEAR(500, msPerSecondOfOutput(), 3);

  // Pause makes every glide arrive at once.
  ASSERT_EQ(S_OK, player->SetVolume(-6000, 1.0f));
  ASSERT_EQ(S_OK, player->Pause());
  EXPECT_EQ(-6000, player->GetVolume());
}

TEST_F(SoundControlsTest, ValuesAreClampedToWhatTheDeviceAccepts) {
  SetManualTime(100000);
  Sox(m_dir, "low.wav", "-r 8000 -b 16 -c 1", "synth 3 sine 200 vol 0.8");
  IDirectSoundPlayer3* player = Open(m_dir.File("low.wav"));
  ASSERT_NE(nullptr, player);
  EXPECT_EQ(S_OK, player->SetPan(20000, 0.0f));
  EXPECT_EQ(10000, player->GetPan());
  EXPECT_EQ(S_OK, player->SetPan(-20000, 0.0f));
  EXPECT_EQ(-10000, player->GetPan());
  EXPECT_EQ(S_OK, player->SetVolume(100, 0.0f));
  EXPECT_EQ(0, player->GetVolume());
  EXPECT_EQ(S_OK, player->SetMasterVolume(-20000));
  EXPECT_EQ(-10000, player->GetMasterVolume());
  EXPECT_EQ(S_OK, player->SetMasterVolume(0));
  EXPECT_EQ(S_OK, player->SetFrequency(5, 0.0f));
  EXPECT_EQ(10, player->GetFrequency());
  EXPECT_EQ(S_OK, player->SetPan(0, 0.0f));

  // 10 per mille of 8 kHz is below the device's 100 Hz; the buffer plays at
  // 100 Hz rather than keeping its old rate.
  Start(player, 1);
  INT before = player->GetPosition();
  for (int i = 0; i < 100; ++i) Mix(480);
  // One second of output moves 100 frames, 12.5 ms of the sound.
  EXPECT_TRUE(WaitUntil([&] { return player->GetPosition() - before >= 12; }));
  EXPECT_GE(13, player->GetPosition() - before);

  // Master and volume together below the device's floor are silence, not
  // a refused call that leaves the sound loud.
  ASSERT_EQ(S_OK, player->SetFrequency(1000, 0.0f));
  ASSERT_EQ(S_OK, player->SetMasterVolume(-6000));
  ASSERT_EQ(S_OK, player->SetVolume(-6000, 0.0f));
  EXPECT_EQ(0.0f, BlockPeak(0));
  ASSERT_EQ(S_OK, player->SetVolume(0, 0.0f));
  EXPECT_TRUE(HearsGain(GainOf(-6000)));
}

}  // namespace
}  // namespace sound_test
