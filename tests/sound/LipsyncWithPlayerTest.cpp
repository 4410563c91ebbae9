// A lip-sync reading a real streaming player: the mouth follows what the
// player is sounding, not a test double.
#include <IVeyaLipsync.h>

#include "SoundPlayerFixture.h"

namespace sound_test {
namespace {

class LipsyncWithPlayerTest : public SoundPlayerFixture {};

// The weight after `milliseconds` more on the manual clock.
float WeightAfter(IVeyaLipsync* lipsync, DWORD milliseconds) {
  tavorin::test::AdvanceManualTime(milliseconds);
  MorphState state = {};
  EXPECT_EQ(S_OK, lipsync->GetState(&state));
  return state.weight[0];
}

TEST_F(LipsyncWithPlayerTest, MouthOpensWhileATonePlaysAndClosesOnceTheSoundHasEnded) {
  tavorin::test::TempDir dir;
  // A loud 0.6 s tone followed by 0.6 s of silence.
  const std::string path =
      Sox(dir, "speech.wav", "-r 44100 -b 16 -c 2", "synth 0.6 sine 440 vol 0.8 pad 0 0.6");
  ASSERT_FALSE(path.empty());
  IDirectSoundPlayer3* player = Open(path);
  ASSERT_NE(nullptr, player);

  tavorin::test::SetManualTime(100000);
  IVeyaLipsync* created = nullptr;
  ASSERT_EQ(S_OK, CreateLipsync(&created, nullptr, 0, nullptr));
  ComPtr<IVeyaLipsync> lipsync(created);
  ASSERT_EQ(S_OK, lipsync->SetMode(kMorphModeFixed));
  ASSERT_EQ(S_OK, lipsync->SetSoundPlayer(player));
  EXPECT_EQ(0.0f, WeightAfter(lipsync.Get(), 200)) << "a stopped player keeps the mouth shut";

  Start(player, 1);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(Step(player, 480));
  ASSERT_LT(player->GetPosition(), 500);
  EXPECT_EQ(1.0f, WeightAfter(lipsync.Get(), 200)) << "the tone opens the mouth";

  // Into the silent half: the window at the play position is quiet.
  while (player->GetPosition() < 800 && player->GetState() != kSoundStopped) {
    ASSERT_TRUE(Step(player, 480));
  }
  ASSERT_EQ(kSoundPlaying, player->GetState());
  EXPECT_EQ(0.0f, WeightAfter(lipsync.Get(), 200)) << "silence closes it";

  // Loud again from the start, then the sound ends by itself.
  ASSERT_EQ(S_OK, player->SetPosition(100));
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(Step(player, 480));
  EXPECT_EQ(1.0f, WeightAfter(lipsync.Get(), 200));
  ASSERT_TRUE(PlayToEnd(player, 3.0));
  EXPECT_EQ(0.0f, WeightAfter(lipsync.Get(), 200)) << "an ended sound closes it";
}

}  // namespace
}  // namespace sound_test
