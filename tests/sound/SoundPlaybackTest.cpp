// What a player sounds like, through the mixer run by hand: samples, loops,
// ends, seeks and pauses, compared with the file's own samples.
#include "SoundPlayerFixture.h"

namespace sound_test {
namespace {

constexpr size_t kFramesPerMs = 48;

class SoundPlaybackTest : public SoundPlayerFixture {
 protected:
  // A 48 kHz mono 16-bit sine, so that the mixer passes samples unchanged.
  std::vector<int16_t> MakeTone(const std::string& name, double seconds) {
    Sox(m_dir, name, "-r 48000 -b 16 -c 1",
        "synth " + std::to_string(seconds) + " sine 440 vol 0.8");
    return Samples16(ChunkPayload(m_dir.Read(name), "data"));
  }

  // Where the file's sample `from` lies in the output, when the output
  // begins with it.
  size_t Onset(const std::vector<int16_t>& file, size_t from = 0) const {
    size_t leadingZeros = 0;
    while (from + leadingZeros < file.size() && file[from + leadingZeros] == 0) ++leadingZeros;
    return FirstNonZero(m_output, 2) - leadingZeros;
  }

  // Whether the output from frame `at` on holds file[from, to) exactly, on
  // both channels.
  ::testing::AssertionResult Holds(size_t at, const std::vector<int16_t>& file, size_t from,
                                   size_t to) const {
    for (size_t i = from; i < to; ++i, ++at) {
      if (2 * at + 1 >= m_output.size()) {
        return ::testing::AssertionFailure() << "the output ends at frame " << at;
      }
      float expected = file[i] / 32768.0f;
      if (m_output[2 * at] != expected || m_output[2 * at + 1] != expected) {
        return ::testing::AssertionFailure() << "sample " << i << " differs at frame " << at;
      }
    }
    return ::testing::AssertionSuccess();
  }

  bool SilentFrom(size_t at) const { return Peak(at, Frames() - at, 0) == 0.0f; }
};

TEST_F(SoundPlaybackTest, PlayOnceSoundsTheFileAndEndsOnTime) {
  for (double seconds : {1.0, 2.5}) {
    SCOPED_TRACE(seconds);
    m_output.clear();
    std::vector<int16_t> file = MakeTone("once.wav", seconds);
    IDirectSoundPlayer3* player = Open(m_dir.File("once.wav"));
    ASSERT_NE(nullptr, player);
    Start(player, 1);
    ASSERT_TRUE(PlayToEnd(player, seconds + 1.0));
    size_t onset = Onset(file);
    EXPECT_TRUE(Holds(onset, file, 0, file.size()));
    size_t heard = Frames() - onset;
    EXPECT_GE(heard, file.size());
    EXPECT_LE(heard, file.size() + 30 * kFramesPerMs);
    EXPECT_TRUE(SilentFrom(onset + file.size()));
    EXPECT_EQ(player->GetLength(), player->GetPosition());
    EXPECT_EQ(1, player->GetLoopsDone());
  }
}

TEST_F(SoundPlaybackTest, LoopsContinueFromTheLoopStart) {
  std::vector<int16_t> file = MakeTone("loop.wav", 1.0);
  IDirectSoundPlayer3* player = Open(m_dir.File("loop.wav"));
  ASSERT_NE(nullptr, player);

  // Two passes: the second from 500 ms.
  Start(player, 2, 500);
  ASSERT_TRUE(PlayToEnd(player, 3.0));
  size_t onset = Onset(file);
  EXPECT_TRUE(Holds(onset, file, 0, file.size()));
  EXPECT_TRUE(Holds(onset + file.size(), file, 500 * kFramesPerMs, file.size()));
  size_t heard = Frames() - onset;
  EXPECT_GE(heard, 1500 * kFramesPerMs);
  EXPECT_LE(heard, 1530 * kFramesPerMs);
  EXPECT_EQ(2, player->GetLoopsDone());
  EXPECT_EQ(1000, player->GetPosition());

  // Endless loops of a sound shorter than a buffer half, from 300 ms on,
  // until Stop: every pass is whole, across both halves.
  m_output.clear();
  std::vector<int16_t> shortFile = MakeTone("short.wav", 0.4);
  player = Open(m_dir.File("short.wav"));
  ASSERT_NE(nullptr, player);
  Start(player, 0, 300);
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(Step(player, 480));
  EXPECT_EQ(kSoundPlaying, player->GetState());
  INT position = player->GetPosition();
  EXPECT_GE(position, 300);
  EXPECT_LE(position, 400);
  onset = Onset(shortFile);
  EXPECT_TRUE(Holds(onset, shortFile, 0, shortFile.size()));
  const size_t lap = 100 * kFramesPerMs;
  for (size_t at = onset + shortFile.size(); at + lap < Frames(); at += lap) {
    ASSERT_TRUE(Holds(at, shortFile, 300 * kFramesPerMs, shortFile.size())) << at;
  }
  EXPECT_GE(player->GetLoopsDone(), 25);
  EXPECT_EQ(S_OK, player->Stop(0.0f));
  EXPECT_EQ(S_OK, player->WaitForStreamEnd());
  EXPECT_EQ(kSoundStopped, player->GetState());

  // A loop range of no length has nothing to repeat: the sound ends, and its
  // position is the loop start.
  m_output.clear();
  ASSERT_EQ(S_OK, player->SetPosition(0));
  Start(player, 0, player->GetLength());
  ASSERT_TRUE(PlayToEnd(player, 1.0));
  EXPECT_EQ(player->GetLength(), player->GetPosition());
}

TEST_F(SoundPlaybackTest, SeekAndPauseWhilePlayingKeepTheSamplesWhole) {
  std::vector<int16_t> file = MakeTone("seek.wav", 2.5);
  IDirectSoundPlayer3* player = Open(m_dir.File("seek.wav"));
  ASSERT_NE(nullptr, player);
  Start(player, 1);
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(Step(player, 480));
  size_t onset = Onset(file);
  size_t before = Frames() - onset;
  ASSERT_TRUE(Holds(onset, file, 0, before));

  // The thread carries the seek out on its next pass, from buffer half 0.
  ASSERT_EQ(S_OK, player->SetPosition(1999));
  ASSERT_TRUE(WaitUntil([&] { return player->GetPosition() == 1999; }));
  size_t seekAt = Frames();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(Step(player, 480));
  EXPECT_TRUE(Holds(seekAt, file, 1999 * kFramesPerMs, 1999 * kFramesPerMs + 4800));

  // Paused, the output is silent; playing again resumes at the same sample.
  ASSERT_EQ(S_OK, player->Pause());
  EXPECT_EQ(kSoundPaused, player->GetState());
  size_t pausedAt = Frames();
  Mix(4800);
  EXPECT_TRUE(SilentFrom(pausedAt));
  ASSERT_EQ(S_OK, player->Play(1, 0));
  size_t resumedAt = Frames();
  ASSERT_TRUE(PlayToEnd(player, 1.0));
  EXPECT_TRUE(Holds(resumedAt, file, 1999 * kFramesPerMs + 4800, file.size()));
  EXPECT_EQ(player->GetLength(), player->GetPosition());

  // Pause while stopped changes nothing; a later Play starts a new pass.
  ASSERT_EQ(S_OK, player->SetPosition(2400));
  EXPECT_EQ(S_OK, player->Pause());
  EXPECT_EQ(kSoundStopped, player->GetState());
  m_output.clear();
  Start(player, 1);
  ASSERT_TRUE(PlayToEnd(player, 1.0));
  EXPECT_TRUE(Holds(Onset(file, 2400 * kFramesPerMs), file, 2400 * kFramesPerMs, file.size()));
}

TEST_F(SoundPlaybackTest, DecodeToWhilePlayingReadsWhatIsHeard) {
  // A loud second, then a quiet one: the lip-sync's window follows it.
  Sox(m_dir, "loud.wav", "-r 44100 -b 16 -c 2", "synth 1 sine 440 vol 0.9");
  Sox(m_dir, "quiet.wav", "-r 44100 -b 16 -c 2", "synth 1 sine 440 vol 0.01");
  ASSERT_TRUE(Shell("sox '" + m_dir.File("loud.wav") + "' '" + m_dir.File("quiet.wav") + "' '" +
                    m_dir.File("both.wav") + "'"));
  IDirectSoundPlayer3* player = Open(m_dir.File("both.wav"));
  ASSERT_NE(nullptr, player);
  auto windowPeak = [&] {
    std::vector<BYTE> window(1764);
    DWORD written = 0;
    EXPECT_EQ(S_OK, player->DecodeTo(window.data(), DWORD(window.size()), &written));
    EXPECT_EQ(window.size(), written);
    int peak = 0;
    for (int16_t s : Samples16(window)) peak = std::max(peak, std::abs(int(s)));
    return peak / 32768.0;
  };
  Start(player, 1);
  while (player->GetPosition() < 500) ASSERT_TRUE(Step(player, 480));
  EXPECT_NEAR(0.9, windowPeak(), 0.02);
  while (player->GetPosition() < 1500) ASSERT_TRUE(Step(player, 480));
  EXPECT_NEAR(0.01, windowPeak(), 0.005);
  // Decoding on the side leaves the stream whole.
  ASSERT_TRUE(PlayToEnd(player, 1.0));
  EXPECT_EQ(2000, player->GetPosition());
}

}  // namespace
}  // namespace sound_test
