#include "ComponentTestSupport.h"
#include "IVeyaLipsync.h"
#include "TonePlayer.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::ManualClock;
using tavorin::test::NewTonePlayer;
using tavorin::test::Payload;
using tavorin::test::ReadComponent;
using tavorin::test::SetKeys;
using tavorin::test::TempDir;
using tavorin::test::TonePlayer;

constexpr DWORD Layers(WORD base, WORD target) {
  return DWORD(base) | DWORD(target) << 16;
}

ComPtr<IVeyaLipsync> NewLipsync(WORD mode = kMorphModeFixed) {
  IVeyaLipsync* lipsync = nullptr;
  EXPECT_EQ(CreateLipsync(&lipsync, nullptr, 0, nullptr), S_OK);
  if (lipsync != nullptr) lipsync->SetMode(mode);
  return ComPtr<IVeyaLipsync>(lipsync);
}

// The weight after `milliseconds` more on the clock.
float WeightAfter(ManualClock& clock, IVeyaLipsync* lipsync, DWORD milliseconds) {
  clock.Advance(milliseconds);
  MorphState state = {0, 0, {-1, -1, -1}};
  EXPECT_EQ(lipsync->GetState(&state), S_OK);
  EXPECT_EQ(state.weight[0], state.weight[1]);
  EXPECT_EQ(state.weight[0], state.weight[2]);
  return state.weight[0];
}

TEST(LipsyncTest, EmptyLipsyncStoresTwentyTwoBytesAndIsOff) {
  TempDir dir;
  ComPtr<IVeyaLipsync> lipsync = NewLipsync(kMorphModeOff);
  const std::vector<uint8_t> expected =
      Bytes().Chunk("MODE", 2).U16(0).Chunk("LIPS", 4).U16(0).U16(0).Get();
  EXPECT_EQ(Payload(dir, lipsync.Get()), expected);

  ComPtr<IVeyaLipsync> read = ReadComponent<IVeyaLipsync>(dir, CreateLipsync, expected);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->GetMode(), 0);
  EXPECT_EQ(read->GetTrack()->keyCount, 0);
  EXPECT_EQ(Payload(dir, read.Get()), expected);

  // Off, and any mode above 2, reports no layers and leaves the weight.
  ComPtr<TonePlayer> player = NewTonePlayer(16, 2, 44100);
  ASSERT_EQ(read->SetSoundPlayer(player.Get()), S_OK);
  for (WORD mode : {0, 3, 0xFFFF}) {
    read->SetMode(mode);
    MorphState state = {1, 2, {7, 7, 7}};
    EXPECT_EQ(read->GetState(&state), S_OK);
    EXPECT_EQ(state.baseLayer, 0xFFFF);
    EXPECT_EQ(state.targetLayer, 0xFFFF);
    EXPECT_EQ(state.weight[0], 7.0f);
  }
  EXPECT_EQ(player->DecodeCount(), 0);
  EXPECT_EQ(read->GetState(nullptr), E_POINTER);
}

TEST(LipsyncTest, LayersFixedOrFromTheTrackSurviveARoundTrip) {
  TempDir dir;
  ComPtr<IVeyaLipsync> lipsync = NewLipsync(kMorphModeFromTrack);
  const DWORD fixed = Layers(3, 4);
  lipsync->SetLayers(&fixed);
  SetKeys(*lipsync->GetTrack(), std::vector<StepKey>{{0, Layers(1, 2)}, {10, Layers(5, 6)}});
  DWORD size = 0;
  lipsync->Serialize(nullptr, &size);
  EXPECT_EQ(size, 72u + 8 * 2);
  const std::vector<uint8_t> bytes = Payload(dir, lipsync.Get());

  for (bool announced : {false, true}) {
    ComPtr<IVeyaLipsync> read =
        ReadComponent<IVeyaLipsync>(dir, CreateLipsync, bytes, S_OK, announced);
    ASSERT_TRUE(read);
    EXPECT_EQ(Payload(dir, read.Get()), bytes);
    DWORD layers = 0;
    read->GetLayers(&layers);
    EXPECT_EQ(layers, fixed);
    MorphState state = {};
    read->GetState(&state);  // no frame evaluated yet: the track names no layers
    EXPECT_EQ(state.baseLayer, 0xFFFF);
    struct Case {
      WORD mode;
      INT frame;
      WORD base, target;
    };
    for (const Case& c : {Case{kMorphModeFromTrack, 12, 5, 6}, Case{kMorphModeFromTrack, -3, 1, 2},
                          Case{kMorphModeFixed, 12, 3, 4}}) {
      read->SetMode(c.mode);
      EXPECT_EQ(read->SetFrame(c.frame), S_OK);
      EXPECT_EQ(read->GetState(&state), S_OK);
      EXPECT_EQ(state.baseLayer, c.base) << c.frame;
      EXPECT_EQ(state.targetLayer, c.target) << c.frame;
    }
  }

  // A keyless track whose default was changed is stored all the same.
  ComPtr<IVeyaLipsync> keyless = NewLipsync(kMorphModeFromTrack);
  keyless->GetTrack()->defaultValue = Layers(7, 8);
  const std::vector<uint8_t> kept = Payload(dir, keyless.Get());
  EXPECT_EQ(kept.size(), 22u + 8 + 24);
  ComPtr<IVeyaLipsync> again = ReadComponent<IVeyaLipsync>(dir, CreateLipsync, kept);
  ASSERT_TRUE(again);
  again->SetFrame(0);
  MorphState state = {};
  again->GetState(&state);
  EXPECT_EQ(state.baseLayer, 7);
  EXPECT_EQ(state.targetLayer, 8);
}

TEST(LipsyncTest, MalformedPayloadsFailWithoutALipsync) {
  TempDir dir;
  const Bytes mode = Bytes().Chunk("MODE", 2).U16(1);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    DWORD length;
  };
  const Case cases[] = {
      {"mode shorter than 16 bits", Bytes().Chunk("MODE", 1).Append({1}).Get(), 0},
      {"layers shorter than two indices", Bytes().Chunk("LIPS", 3).U16(1).Append({2}).Get(), 0},
      {"track past the payload", Bytes(mode).Chunk("ENVL", 40).Chunk("ENBL", 4).U32(1).Get(), 0},
      {"keys past the track",
       Bytes().Chunk("ENVL", 26).Chunk("KEYN", 2).U16(3).Chunk("KEY ", 8).U32(0).U32(1).Get(), 0},
      {"header cut short", Bytes(mode).Tag("LIPS").U16(4).Get(), 0},
      {"payload longer than the data", mode.Get(), 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool announced : {false, true}) {
      ReadComponent<IVeyaLipsync>(dir, CreateLipsync, c.bytes, E_FAIL, announced, c.length);
    }
  }
}

TEST(LipsyncTest, WithoutAPlayerTheMouthNeverOpens) {
  ManualClock clock;
  ComPtr<IVeyaLipsync> lipsync = NewLipsync();
  for (INT level :
       {-10000, -5000, -3501, -3500, -3499, -1000, 0, 5000, INT(0x80000000), 0x7FFFFFFF}) {
    lipsync->SetOpenLevel(level);
    EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 1000), 0.0f) << level;
  }
}

TEST(LipsyncTest, LoudToneOpensAndSilenceClosesWithinTheSlopes) {
  ManualClock clock;
  ComPtr<IVeyaLipsync> lipsync = NewLipsync();
  const DWORD layers = Layers(2, 5);
  lipsync->SetLayers(&layers);
  clock.Advance(60000);  // the first step counts from the player's arrival
  ComPtr<TonePlayer> player = NewTonePlayer(16, 2, 44100);
  ASSERT_EQ(lipsync->SetSoundPlayer(player.Get()), S_OK);

  // Opening: at most 0.012 per millisecond, so 1.0 takes 84 ms.
  EXPECT_NEAR(WeightAfter(clock, lipsync.Get(), 10), 0.12f, 1e-5f);
  EXPECT_EQ(player->LastDecodeLength(), 441u);
  float weight = 0.12f;
  DWORD opening = 10;
  while (weight < 1.0f && opening < 1000) {
    const float next = WeightAfter(clock, lipsync.Get(), 1);
    EXPECT_LE(next - weight, 0.012f + 1e-5f);
    weight = next;
    ++opening;
  }
  EXPECT_EQ(opening, 84u);
  MorphState state = {};
  lipsync->GetState(&state);
  EXPECT_EQ(state.baseLayer, 2);
  EXPECT_EQ(state.targetLayer, 5);

  // Closing after the sound stops: at most 0.007 per millisecond.
  player->SetState(kSoundStopped);
  const int decodes = player->DecodeCount();
  EXPECT_NEAR(WeightAfter(clock, lipsync.Get(), 10), 0.93f, 1e-5f);
  EXPECT_NEAR(WeightAfter(clock, lipsync.Get(), 132), 0.006f, 1e-5f);
  EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 1), 0.0f);
  EXPECT_EQ(player->DecodeCount(), decodes);  // a stopped player is not decoded

  // Playing but silent, too quiet (-40 dB), or failing to decode: closed.
  player->SetState(kSoundPlaying);
  for (int amplitude : {0, 327}) {
    player->SetAmplitude(amplitude);
    EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 500), 0.0f) << amplitude;
  }
  player->SetAmplitude(1000);  // -30 dB opens
  EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 500), 1.0f);

  // A higher open level opens the mouth only part of the way.
  lipsync->SetOpenLevel(-4500);
  EXPECT_NEAR(WeightAfter(clock, lipsync.Get(), 500), 0.4f, 1e-6f);

  player->SetBroken();
  EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 500), 0.0f);
}

TEST(LipsyncTest, EightBitSamplesAreMeasuredAroundTheirMiddle) {
  ManualClock clock;
  ComPtr<IVeyaLipsync> lipsync = NewLipsync();
  ComPtr<TonePlayer> player = NewTonePlayer(8, 1, 44100);
  ASSERT_EQ(lipsync->SetSoundPlayer(player.Get()), S_OK);
  player->SetAmplitude(0);  // every byte 0x80, the players' own 8-bit silence
  EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 500), 0.0f);
  EXPECT_EQ(player->LastDecodeLength(), 441u);
  player->SetAmplitude(100);
  EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 500), 1.0f);
}

TEST(LipsyncTest, PlayersOfOtherSampleSizesAreRefusedAndReferencesKeptRight) {
  ManualClock clock;
  ComPtr<IVeyaLipsync> lipsync = NewLipsync();
  ComPtr<TonePlayer> loud = NewTonePlayer(16, 2, 44100);
  ASSERT_EQ(lipsync->SetSoundPlayer(loud.Get()), S_OK);
  EXPECT_EQ(loud->References(), 2u);
  EXPECT_EQ(lipsync->SetSoundPlayer(loud.Get()), S_OK);  // the same player again
  EXPECT_EQ(loud->References(), 2u);
  EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 1000), 1.0f);

  ComPtr<TonePlayer> wide = NewTonePlayer(24, 2, 44100);
  EXPECT_EQ(lipsync->SetSoundPlayer(wide.Get()), E_FAIL);
  EXPECT_EQ(wide->References(), 1u);
  EXPECT_EQ(loud->References(), 1u);
  // Left without a player, the mouth closes whatever plays.
  EXPECT_EQ(WeightAfter(clock, lipsync.Get(), 1000), 0.0f);
  EXPECT_EQ(wide->DecodeCount() + loud->DecodeCount(), 1);

  ASSERT_EQ(lipsync->SetSoundPlayer(loud.Get()), S_OK);
  EXPECT_EQ(lipsync->SetSoundPlayer(nullptr), S_OK);
  EXPECT_EQ(loud->References(), 1u);
  ASSERT_EQ(lipsync->SetSoundPlayer(loud.Get()), S_OK);
  // Handed again while the lip-sync holds its only reference, it survives.
  TonePlayer* held = loud.Detach();
  held->Release();
  EXPECT_EQ(lipsync->SetSoundPlayer(held), S_OK);
  EXPECT_EQ(held->References(), 1u);
  held->AddRef();
  loud = ComPtr<TonePlayer>(held);
  lipsync.Reset();
  EXPECT_EQ(loud->References(), 1u);
}

}  // namespace
