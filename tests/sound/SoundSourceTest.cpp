// Wave and Ogg Vorbis sources: what the factory accepts, the formats and
// lengths it reads from files made by real tools, and what it refuses.
#include <cmath>
#include <cstring>

#include "SoundPlayerFixture.h"

namespace sound_test {
namespace {

using SoundSourceTest = SoundPlayerFixture;

WAVEFORMATEX FormatOf(IDirectSoundPlayer3* player) {
  WAVEFORMATEX format{};
  EXPECT_EQ(S_OK, player->GetFormat(&format));
  return format;
}

// The length rule: the data bytes over the bytes per second, in whole ms.
INT LengthOf(const Bytes& file) {
  Bytes format = ChunkPayload(file, "fmt ");
  uint32_t rate = format[4] | format[5] << 8 | format[6] << 16 | uint32_t(format[7]) << 24;
  uint32_t blockAlign = format[12] | format[13] << 8;
  return INT(double(ChunkPayload(file, "data").size()) / (double(blockAlign) * rate) * 1000.0);
}

TEST_F(SoundSourceTest, WaveFilesFromRealToolsGiveFormatAndLength) {
  struct Case {
    std::string path;
    WORD channels, bits;
    DWORD rate;
  };
  std::vector<Case> cases = {
      {Sox(m_dir, "u8.wav", "-r 22050 -b 8 -c 1", "synth 0.3 sine 440"), 1, 8, 22050},
      {Sox(m_dir, "s16.wav", "-r 44100 -b 16 -c 2", "synth 1.2 sine 440"), 2, 16, 44100},
      {Sox(m_dir, "m48.wav", "-r 48000 -b 16 -c 1", "synth 0.7777 sine 440"), 1, 16, 48000},
  };
  ASSERT_TRUE(
      Shell("ffmpeg -nostdin -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=0.6"
            " -c:a pcm_s16le '" +
            m_dir.File("list.wav") + "'"));
  cases.push_back({m_dir.File("list.wav"), 1, 16, 44100});
  // The 8-bit file's odd data size needs its pad byte before "fmt " follows.
  Bytes u8 = m_dir.Read("u8.wav");
  ASSERT_EQ(1u, ChunkPayload(u8, "data").size() % 2);
  m_dir.Write("reordered.wav", BuildWave({{"JUNK", Bytes(5, 0xEE)},
                                          {"data", ChunkPayload(u8, "data")},
                                          {"fmt ", ChunkPayload(u8, "fmt ")}}));
  cases.push_back({m_dir.File("reordered.wav"), 1, 8, 22050});

  std::vector<RiffChunk> listChunks = RiffChunks(m_dir.Read("list.wav"));
  ASSERT_GE(listChunks.size(), 3u);
  EXPECT_EQ("LIST", listChunks[listChunks.size() - 2].tag);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    IDirectSoundPlayer3* player = Open(c.path);
    ASSERT_NE(nullptr, player);
    WAVEFORMATEX format = FormatOf(player);
    EXPECT_EQ(WAVE_FORMAT_PCM, format.wFormatTag);
    EXPECT_EQ(c.channels, format.nChannels);
    EXPECT_EQ(c.bits, format.wBitsPerSample);
    EXPECT_EQ(c.rate, format.nSamplesPerSec);
    EXPECT_EQ(c.channels * c.bits / 8, format.nBlockAlign);
    EXPECT_EQ(c.rate * format.nBlockAlign, format.nAvgBytesPerSec);
    EXPECT_EQ(LengthOf(m_dir.Read(std::filesystem::path(c.path).filename())), player->GetLength());
    EXPECT_EQ(kSoundStopped, player->GetState());
    EXPECT_EQ(0, player->GetPosition());
  }
}

TEST_F(SoundSourceTest, OggLengthsMatchTheSampleCount) {
  struct Case {
    std::string wav, ogg;
    WORD channels;
    DWORD rate;
    double seconds;
  };
  for (const Case& c : {Case{"mono.wav", "mono.ogg", 1, 22050, 1.3},
                        Case{"stereo.wav", "stereo.ogg", 2, 44100, 2.2}}) {
    SCOPED_TRACE(c.ogg);
    std::string format = "-r " + std::to_string(c.rate) + " -b 16 -c " + std::to_string(c.channels);
    ASSERT_NE("", Sox(m_dir, c.wav, format, "synth " + std::to_string(c.seconds) + " sine 330"));
    ASSERT_NE("", OggEnc(m_dir, c.wav, c.ogg));
    size_t frames = ChunkPayload(m_dir.Read(c.wav), "data").size() / (2 * c.channels);
    IDirectSoundPlayer3* player = Open(m_dir.File(c.ogg));
    ASSERT_NE(nullptr, player);
    WAVEFORMATEX wave = FormatOf(player);
    EXPECT_EQ(c.channels, wave.nChannels);
    EXPECT_EQ(c.rate, wave.nSamplesPerSec);
    EXPECT_EQ(16, wave.wBitsPerSample);
    EXPECT_NEAR(double(frames) * 1000.0 / c.rate, player->GetLength(), 1.0);
  }
}

TEST_F(SoundSourceTest, FactoryPicksByTypeOrExtensionAndRefusesTheRest) {
  std::string wav = Sox(m_dir, "tone.wav", "-r 8000 -b 16 -c 1", "synth 0.1 sine 440");
  ASSERT_NE("", wav);
  Bytes bytes = m_dir.Read("tone.wav");
  m_dir.Write("UPPER.WAV", bytes);
  m_dir.Write("noextension", bytes);
  m_dir.Write("tone.mp3", bytes);
  m_dir.Write("wave.ogg", bytes);
  m_dir.Write("dir.ogg/inner", bytes);
  IDirectSound8* sound = m_sound.Get();
  auto create = [&](const char* name, INT type) {
    IDirectSoundPlayer3* player = reinterpret_cast<IDirectSoundPlayer3*>(1);
    HRESULT hr = CreateSoundPlayer(name, nullptr, sound, &player, type);
    if (SUCCEEDED(hr)) {
      player->Release();
    } else {
      EXPECT_EQ(nullptr, player) << name;
    }
    return hr;
  };
  EXPECT_EQ(S_OK, create(m_dir.File("UPPER.WAV").c_str(), kSoundByExtension));
  // An explicit type wins over the name.
  EXPECT_EQ(S_OK, create(m_dir.File("wave.ogg").c_str(), kSoundWave));
  EXPECT_EQ(E_ACCESSDENIED, create(m_dir.File("wave.ogg").c_str(), kSoundByExtension));
  EXPECT_EQ(E_ACCESSDENIED, create(m_dir.File("noextension").c_str(), kSoundByExtension));
  EXPECT_EQ(E_ACCESSDENIED, create(m_dir.File("dir.ogg/inner").c_str(), kSoundByExtension));
  EXPECT_EQ(E_ACCESSDENIED, create(m_dir.File("tone.mp3").c_str(), kSoundByExtension));
  EXPECT_EQ(E_ACCESSDENIED, create(m_dir.File("missing.wav").c_str(), kSoundByExtension));
  EXPECT_EQ(E_INVALIDARG, create(nullptr, kSoundByExtension));
  EXPECT_EQ(E_INVALIDARG, create(wav.c_str(), 2));
  IDirectSoundPlayer3* player = nullptr;
  EXPECT_EQ(E_INVALIDARG, CreateSoundPlayer(wav.c_str(), nullptr, nullptr, &player, kSoundWave));
  EXPECT_EQ(E_POINTER, CreateSoundPlayer(wav.c_str(), nullptr, sound, nullptr, kSoundWave));
}

TEST_F(SoundSourceTest, BrokenWaveFilesAreRefusedOrClipped) {
  std::string wav = Sox(m_dir, "tone.wav", "-r 8000 -b 16 -c 1", "synth 0.1 sine 440");
  ASSERT_NE("", wav);
  const Bytes data = ChunkPayload(m_dir.Read("tone.wav"), "data");
  const Bytes pcm = FormatPayload(1, 1, 8000, 2, 16);
  Bytes fourteen(pcm.begin(), pcm.begin() + 14);
  Bytes eighteen = pcm;
  eighteen.insert(eighteen.end(), {0, 0});

  struct Case {
    const char* what;
    Bytes file;
    HRESULT expected;
  };
  Bytes notRiff = BuildWave({{"fmt ", pcm}, {"data", data}});
  notRiff[0] = 'X';
  Bytes notWave = BuildWave({{"fmt ", pcm}, {"data", data}});
  notWave[8] = 'X';
  Bytes clipped = BuildWave({{"fmt ", pcm}, {"data", data}});
  clipped.resize(clipped.size() - 801);  // the data chunk promises more than is there
  Bytes strayBytes = BuildWave({{"fmt ", pcm}, {"data", data}});
  strayBytes.insert(strayBytes.end(), {'L', 'I', 'S'});
  strayBytes[4] += 3;
  std::vector<Case> cases = {
      {"not RIFF", notRiff, E_FAIL},
      {"not WAVE", notWave, E_FAIL},
      {"no fmt", BuildWave({{"data", data}}), E_FAIL},
      {"no data", BuildWave({{"fmt ", pcm}}), E_FAIL},
      {"fmt of 14 bytes", BuildWave({{"fmt ", fourteen}, {"data", data}}), E_FAIL},
      {"float", BuildWave({{"fmt ", FormatPayload(3, 1, 8000, 4, 32)}, {"data", data}}), E_FAIL},
      {"no channels", BuildWave({{"fmt ", FormatPayload(1, 0, 8000, 0, 16)}, {"data", data}}),
       E_FAIL},
      {"rate 0", BuildWave({{"fmt ", FormatPayload(1, 1, 0, 2, 16)}, {"data", data}}), E_FAIL},
      {"12 bits", BuildWave({{"fmt ", FormatPayload(1, 1, 8000, 2, 12)}, {"data", data}}), E_FAIL},
      {"block align", BuildWave({{"fmt ", FormatPayload(1, 1, 8000, 4, 16)}, {"data", data}}),
       E_FAIL},
      {"24 bits the device refuses",
       BuildWave({{"fmt ", FormatPayload(1, 1, 8000, 3, 24)}, {"data", data}}), E_FAIL},
      {"empty", Bytes{}, E_FAIL},
      {"fmt of 18 bytes", BuildWave({{"fmt ", eighteen}, {"data", data}}), S_OK},
      {"data past the end", clipped, S_OK},
      {"a header cut short", strayBytes, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = m_dir.Write("case.wav", c.file);
    IDirectSoundPlayer3* player = nullptr;
    EXPECT_EQ(c.expected,
              CreateSoundPlayer(path.c_str(), nullptr, m_sound.Get(), &player, kSoundWave));
    if (player == nullptr) continue;
    INT bytes = c.file == clipped ? INT(data.size()) - 801 : INT(data.size());
    EXPECT_EQ(INT(bytes / 2 * 1000 / 8000), player->GetLength());
    player->Release();
  }
}

TEST_F(SoundSourceTest, DecodeToReadsTheFileAtThePositionAndPadsTheEnd) {
  ASSERT_NE("", Sox(m_dir, "m48.wav", "-r 48000 -b 16 -c 1", "synth 1 sine 440"));
  ASSERT_NE("", Sox(m_dir, "u8.wav", "-r 22050 -b 8 -c 1", "synth 0.3 sine 440"));
  const Bytes m48 = ChunkPayload(m_dir.Read("m48.wav"), "data");
  const Bytes u8 = ChunkPayload(m_dir.Read("u8.wav"), "data");

  IDirectSoundPlayer3* player = Open(m_dir.File("m48.wav"));
  ASSERT_NE(nullptr, player);
  ASSERT_EQ(S_OK, player->SetPosition(250));
  Bytes window(960);
  DWORD written = 0;
  EXPECT_EQ(S_OK, player->DecodeTo(window.data(), DWORD(window.size()), &written));
  EXPECT_EQ(window.size(), written);
  EXPECT_EQ(Bytes(m48.begin() + 250 * 96, m48.begin() + 250 * 96 + 960), window);
  EXPECT_EQ(E_INVALIDARG, player->SetPosition(1001));
  EXPECT_EQ(E_INVALIDARG, player->SetPosition(-1));
  EXPECT_EQ(250, player->GetPosition());

  player = Open(m_dir.File("u8.wav"));
  ASSERT_NE(nullptr, player);
  ASSERT_EQ(S_OK, player->SetPosition(player->GetLength()));
  size_t from = size_t(player->GetLength()) * 22050 / 1000;
  window.assign(4000, 0x11);
  EXPECT_EQ(S_FINISHED, player->DecodeTo(window.data(), DWORD(window.size()), &written));
  ASSERT_EQ(u8.size() - from, written);
  EXPECT_TRUE(std::equal(u8.begin() + from, u8.end(), window.begin()));
  for (size_t i = written; i < window.size(); ++i) ASSERT_EQ(0x80, window[i]) << i;
  EXPECT_EQ(kSoundStopped, player->GetState());
  EXPECT_EQ(0, player->GetLoopsDone());
}

TEST_F(SoundSourceTest, BrokenOggStreamsAreRefusedOrEndAfterWhatDecodes) {
  // Noise, so that the stream is mostly audio pages rather than headers.
  ASSERT_NE("", Sox(m_dir, "tone.wav", "-R -r 48000 -b 16 -c 1", "synth 2.5 pinknoise vol 0.5"));
  ASSERT_NE("", OggEnc(m_dir, "tone.wav", "tone.ogg"));
  const Bytes ogg = m_dir.Read("tone.ogg");
  IDirectSoundPlayer3* player = nullptr;
  m_dir.Write("junk.ogg", tavorin::test::PatternBytes(5000, 3));
  EXPECT_EQ(E_ACCESSDENIED, CreateSoundPlayer(m_dir.File("junk.ogg").c_str(), nullptr,
                                              m_sound.Get(), &player, kSoundByExtension));
  m_dir.Write("headers.ogg", Bytes(ogg.begin(), ogg.begin() + 200));
  EXPECT_EQ(E_ACCESSDENIED, CreateSoundPlayer(m_dir.File("headers.ogg").c_str(), nullptr,
                                              m_sound.Get(), &player, kSoundByExtension));
  EXPECT_EQ(nullptr, player);

  // Cut short, the stream opens with the length of what is there, plays it
  // and stops. With bytes flipped as well, it is refused or plays and stops.
  Bytes cut(ogg.begin(), ogg.begin() + ogg.size() / 2);
  m_dir.Write("cut.ogg", cut);
  for (size_t i = ogg.size() / 4; i < ogg.size() / 3; i += 997) cut[i] ^= 0x5A;
  m_dir.Write("flipped.ogg", cut);
  for (const char* name : {"cut.ogg", "flipped.ogg"}) {
    SCOPED_TRACE(name);
    m_output.clear();
    HRESULT hr = CreateSoundPlayer(m_dir.File(name).c_str(), nullptr, m_sound.Get(), &player,
                                   kSoundByExtension);
    if (hr == E_ACCESSDENIED && std::strcmp(name, "flipped.ogg") == 0) continue;
    ASSERT_EQ(S_OK, hr);
    m_players.emplace_back(player);
    Start(player, 1);
    EXPECT_TRUE(PlayToEnd(player, 5.0));
    EXPECT_EQ(player->GetLength(), player->GetPosition());
    if (std::strcmp(name, "cut.ogg") == 0) {
      EXPECT_LT(500, player->GetLength());
      EXPECT_LT(0.2f, Peak(0, Frames(), 0));
    }
  }
}

}  // namespace
}  // namespace sound_test
