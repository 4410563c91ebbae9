// LoadSound: players from the archive first, from loose files second.
#include <IPackManager.h>

#include "SoundPlayerFixture.h"
#include "pack/ArchiveBuilder.h"

namespace sound_test {
namespace {

using tavorin::test::ArchiveBuilder;
using tavorin::test::CurrentDirectory;
using tavorin::test::TestCode;

using LoadSoundTest = SoundPlayerFixture;

TEST_F(LoadSoundTest, ArchiveFirstThenLooseFileAndUnknownExtensionsRefused) {
  ASSERT_NE("", Sox(m_dir, "long.wav", "-r 22050 -b 16 -c 1", "synth 1.5 sine 300"));
  ASSERT_NE("", Sox(m_dir, "short.wav", "-r 22050 -b 16 -c 2", "synth 0.5 sine 300"));
  ASSERT_NE("", OggEnc(m_dir, "long.wav", "long.ogg"));
  ASSERT_NE("", OggEnc(m_dir, "short.wav", "short.ogg"));
  const Bytes longOgg = m_dir.Read("long.ogg");
  m_dir.Write("voice.ogg", m_dir.Read("short.ogg"));
  m_dir.Write("fallback.ogg", m_dir.Read("short.ogg"));
  m_dir.Write("loose.wav", m_dir.Read("short.wav"));
  m_dir.Write("voice.mp3", longOgg);
  m_dir.Write("Data.pac", ArchiveBuilder()
                              .FileCount(4)
                              .File("voice.ogg", longOgg)
                              .File("fallback.ogg", Bytes(3000, 0x42))
                              .File("voice.mp3", longOgg)
                              .File("voice.bin", longOgg)
                              .Code(TestCode())
                              .Build());
  CurrentDirectory here(m_dir.path());
  ComPtr<IPackManager> manager;
  ASSERT_EQ(S_OK, CreatePackManager(manager.ReleaseAndGetAddressOf()));
  auto load = [&](const char* name, INT type, INT* length) {
    ComPtr<IDirectSoundPlayer3> player;
    HRESULT hr = manager->LoadSound(player.ReleaseAndGetAddressOf(), m_sound.Get(), name, type);
    if (SUCCEEDED(hr)) {
      *length = player->GetLength();
      m_players.push_back(player);
    } else {
      EXPECT_FALSE(player) << name;
    }
    return hr;
  };

  INT length = 0;
  // The archive holds the long sound under the loose short one's name.
  ASSERT_EQ(S_OK, load("voice.ogg", kSoundByExtension, &length));
  EXPECT_NEAR(1500, length, 1);
  IDirectSoundPlayer3* archived = m_players.back().Get();
  ASSERT_EQ(S_OK, load("voice.bin", kSoundOggVorbis, &length));
  EXPECT_NEAR(1500, length, 1);
  // Archived data the creator refuses falls back to the loose file.
  ASSERT_EQ(S_OK, load("fallback.ogg", kSoundByExtension, &length));
  EXPECT_NEAR(500, length, 1);
  ASSERT_EQ(S_OK, load("loose.wav", kSoundByExtension, &length));
  EXPECT_EQ(500, length);
  EXPECT_EQ(E_ACCESSDENIED, load("voice.mp3", kSoundByExtension, &length));
  EXPECT_EQ(E_ACCESSDENIED, load("nowhere.ogg", kSoundByExtension, &length));
  EXPECT_EQ(E_INVALIDARG, load(nullptr, kSoundByExtension, &length));

  // The archived player streams from the archive to its end.
  Start(archived, 1);
  ASSERT_TRUE(PlayToEnd(archived, 3.0));
  EXPECT_EQ(1500, archived->GetPosition());
  EXPECT_LT(0.3f, Peak(0, Frames(), 0));
}

}  // namespace
}  // namespace sound_test
