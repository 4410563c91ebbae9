// Sixteen players streaming at once in real time, heard through the
// captured output: no player ever falls behind its buffer.
#include <cstdio>

#include "SoundPlayerFixture.h"

namespace sound_test {
namespace {

class ManyPlayersTest : public SoundPlayerFixture {
 protected:
  ManyPlayersTest() : SoundPlayerFixture(false) {}
};

TEST_F(ManyPlayersTest, SixteenPlayersStreamWithoutAGap) {
  // Each sound rises steadily from 0 to 0.05, so the sum of all of them only
  // ever rises while they play. A half played before it was refilled would
  // repeat older, lower samples (a fall); a gap of silence would fall and
  // jump back. Only each sound's own end may fall, by its full height.
  constexpr int kPlayers = 16;
  constexpr size_t kFrames = 6 * 48000;
  Bytes raw(2 * kFrames);
  for (size_t i = 0; i < kFrames; ++i) {
    auto sample = int16_t(0.05 * 32768.0 * double(i) / kFrames);
    raw[2 * i] = uint8_t(sample);
    raw[2 * i + 1] = uint8_t(uint16_t(sample) >> 8);
  }
  m_dir.Write("ramp.raw", raw);
  ASSERT_TRUE(Shell("sox -t raw -r 48000 -e signed -b 16 -c 1 '" + m_dir.File("ramp.raw") + "' '" +
                    m_dir.File("ramp.wav") + "'"));
  std::vector<IDirectSoundPlayer3*> players;
  for (int i = 0; i < kPlayers; ++i) {
    players.push_back(Open(m_dir.File("ramp.wav")));
    ASSERT_NE(nullptr, players.back());
  }

  tavorin::test::DSoundStartCapture();
  for (IDirectSoundPlayer3* player : players) ASSERT_EQ(S_OK, player->Play(1, 0));
  bool ended = WaitUntil(
      [&] {
        for (IDirectSoundPlayer3* player : players) {
          if (player->GetState() != kSoundStopped) return false;
        }
        return true;
      },
      30.0);
  std::vector<float> output = tavorin::test::DSoundStopCapture();
  ASSERT_TRUE(ended);
  for (IDirectSoundPlayer3* player : players) EXPECT_EQ(6000, player->GetPosition());

  int ends = 0;
  float top = 0.0f;
  for (size_t i = 1; 2 * i < output.size(); ++i) {
    float step = output[2 * i] - output[2 * (i - 1)];
    top = std::max(top, output[2 * i]);
    ASSERT_LE(step, 1e-3f) << "a jump at output frame " << i;
    if (step < 0.0f) {
      ASSERT_LE(step, -0.04f) << "a fall at output frame " << i;
      ++ends;
    }
  }
  EXPECT_GE(ends, 1);
  EXPECT_LE(ends, kPlayers);
  EXPECT_NEAR(0.8f, top, 0.05f);
}

}  // namespace
}  // namespace sound_test
