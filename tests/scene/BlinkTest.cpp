#include "ComponentTestSupport.h"
#include "IVeyaBlink.h"
#include "scene/Blink.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::ManualClock;
using tavorin::test::Payload;
using tavorin::test::ReadComponent;
using tavorin::test::SetKeys;
using tavorin::test::TempDir;

ComPtr<IVeyaBlink> NewBlink(WORD mode, WORD base = 0, WORD target = 0, DWORD duration = 0) {
  IVeyaBlink* blink = nullptr;
  EXPECT_EQ(CreateBlink(&blink, nullptr, 0, nullptr), S_OK);
  if (blink != nullptr) {
    blink->SetMode(mode);
    const DWORD layers[2] = {DWORD(base) | DWORD(target) << 16, duration};
    blink->SetLayers(layers);
  }
  return ComPtr<IVeyaBlink>(blink);
}

MorphState StateAfter(ManualClock& clock, IVeyaBlink* blink, DWORD milliseconds) {
  clock.Advance(milliseconds);
  MorphState state = {0, 0, {-1, -1, -1}};
  EXPECT_EQ(blink->GetState(&state), S_OK);
  EXPECT_EQ(state.weight[0], state.weight[1]);
  EXPECT_EQ(state.weight[0], state.weight[2]);
  return state;
}

float WeightAfter(ManualClock& clock, IVeyaBlink* blink, DWORD milliseconds) {
  return StateAfter(clock, blink, milliseconds).weight[0];
}

TEST(BlinkTest, EmptyBlinkStoresTwentySixBytesAndIsOff) {
  TempDir dir;
  ComPtr<IVeyaBlink> blink = NewBlink(kMorphModeOff);
  const std::vector<uint8_t> expected =
      Bytes().Chunk("MODE", 2).U16(0).Chunk("BLNK", 8).U16(0).U16(0).U32(0).Get();
  EXPECT_EQ(Payload(dir, blink.Get()), expected);
  ComPtr<IVeyaBlink> read = ReadComponent<IVeyaBlink>(dir, CreateBlink, expected);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->GetMode(), 0);
  EXPECT_EQ(Payload(dir, read.Get()), expected);

  for (WORD mode : {0, 3, 0xFFFF}) {
    read->SetMode(mode);
    MorphState state = {1, 2, {7, 7, 7}};
    EXPECT_EQ(read->GetState(&state), S_OK);
    EXPECT_EQ(state.baseLayer, 0xFFFF);
    EXPECT_EQ(state.targetLayer, 0xFFFF);
    EXPECT_EQ(state.weight[0], 7.0f);
  }
  EXPECT_EQ(read->GetState(nullptr), E_POINTER);
  EXPECT_EQ(read->GetLayers(nullptr), E_POINTER);
  EXPECT_EQ(read->SetLayers(nullptr), E_POINTER);
}

TEST(BlinkTest, LayersAndDurationsFixedOrFromTheTrackSurviveARoundTrip) {
  TempDir dir;
  ManualClock clock;
  ComPtr<IVeyaBlink> blink = NewBlink(kMorphModeFromTrack, 3, 4, 120);
  SetKeys(*blink->GetTrack(), std::vector<PairKey>{{0, {1, 2, 100}}, {10, {5, 6, 40}}});
  DWORD size = 0;
  blink->Serialize(nullptr, &size);
  EXPECT_EQ(size, 80u + 12 * 2);
  const std::vector<uint8_t> bytes = Payload(dir, blink.Get());

  for (bool announced : {false, true}) {
    ComPtr<IVeyaBlink> read = ReadComponent<IVeyaBlink>(dir, CreateBlink, bytes, S_OK, announced);
    ASSERT_TRUE(read);
    EXPECT_EQ(Payload(dir, read.Get()), bytes);
    DWORD layers[2] = {};
    read->GetLayers(layers);
    EXPECT_EQ(layers[0], 3u | 4u << 16);
    EXPECT_EQ(layers[1], 120u);

    // The duration comes with the layers: the track's 40 ms at frame 12.
    read->SetFrame(12);
    read->StartBlink();
    MorphState state = StateAfter(clock, read.Get(), 10);
    EXPECT_EQ(state.baseLayer, 5);
    EXPECT_EQ(state.targetLayer, 6);
    EXPECT_FLOAT_EQ(state.weight[0], 0.25f);
    read->SetFrame(-3);
    state = StateAfter(clock, read.Get(), 0);
    EXPECT_EQ(state.baseLayer, 1);
    EXPECT_FLOAT_EQ(state.weight[0], 0.1f);
    read->SetMode(kMorphModeFixed);
    state = StateAfter(clock, read.Get(), 0);
    EXPECT_EQ(state.baseLayer, 3);
    EXPECT_EQ(state.targetLayer, 4);
    EXPECT_FLOAT_EQ(state.weight[0], 10.0f / 120);
  }

  ComPtr<IVeyaBlink> keyless = NewBlink(kMorphModeFromTrack);
  keyless->GetTrack()->enabled = 0;
  keyless->GetTrack()->defaultValue = {7, 8, 50};
  const std::vector<uint8_t> kept = Payload(dir, keyless.Get());
  EXPECT_EQ(kept.size(), 26u + 8 + 28);
  ComPtr<IVeyaBlink> again = ReadComponent<IVeyaBlink>(dir, CreateBlink, kept);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->GetTrack()->enabled, 0u);
  again->SetFrame(0);
  EXPECT_EQ(StateAfter(clock, again.Get(), 0).targetLayer, 8);
}

TEST(BlinkTest, MalformedPayloadsFailWithoutABlink) {
  TempDir dir;
  const Bytes mode = Bytes().Chunk("MODE", 2).U16(1);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    DWORD length;
  };
  const Case cases[] = {
      {"mode shorter than 16 bits", Bytes().Chunk("MODE", 0).Get(), 0},
      {"layers without a duration", Bytes().Chunk("BLNK", 4).U16(1).U16(2).Get(), 0},
      {"track past the payload", Bytes(mode).Chunk("ENVL", 40).Chunk("ENBL", 4).U32(1).Get(), 0},
      {"default shorter than a triple", Bytes().Chunk("ENVL", 12).Chunk("DEF ", 4).U32(1).Get(), 0},
      {"header cut short", Bytes(mode).Tag("BLNK").Get(), 0},
      {"payload longer than the data", mode.Get(), 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool announced : {false, true}) {
      ReadComponent<IVeyaBlink>(dir, CreateBlink, c.bytes, E_FAIL, announced, c.length);
    }
  }
}

TEST(BlinkTest, StartedBlinkClosesThenOpensOverTheDuration) {
  ManualClock clock;
  ComPtr<IVeyaBlink> off = NewBlink(kMorphModeOff, 1, 2, 100);
  off->StartBlink();
  off->SetMode(kMorphModeFixed);
  // Started while off, it never began: half the duration later it is open.
  EXPECT_EQ(WeightAfter(clock, off.Get(), 50), 0.0f);

  ComPtr<IVeyaBlink> blink = NewBlink(kMorphModeFixed, 1, 2, 100);
  blink->StartBlink();
  const float closing[] = {0.25f, 0.5f, 0.99f};
  const DWORD steps[] = {25, 25, 49};
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(WeightAfter(clock, blink.Get(), steps[i]), closing[i]);
  }
  EXPECT_EQ(WeightAfter(clock, blink.Get(), 1), 1.0f);  // closed: opening starts now
  EXPECT_FLOAT_EQ(WeightAfter(clock, blink.Get(), 30), 0.7f);
  EXPECT_FLOAT_EQ(WeightAfter(clock, blink.Get(), 60), 0.1f);
  EXPECT_EQ(WeightAfter(clock, blink.Get(), 10), 0.0f);  // open: waiting again
  EXPECT_EQ(WeightAfter(clock, blink.Get(), 299), 0.0f);

  // A zero duration shuts and opens at once.
  ComPtr<IVeyaBlink> instant = NewBlink(kMorphModeFixed, 1, 2, 0);
  instant->StartBlink();
  EXPECT_EQ(WeightAfter(clock, instant.Get(), 0), 1.0f);
  EXPECT_EQ(WeightAfter(clock, instant.Get(), 0), 0.0f);
}

TEST(BlinkTest, WaitingBlinkStartsAboutOnceInTenChecks) {
  ManualClock clock;
  for (DWORD seed : {0u, 1u, 12345u}) {
    ComPtr<IVeyaBlink> blink = NewBlink(kMorphModeFixed, 1, 2, 50);
    static_cast<CVeyaBlink*>(blink.Get())->SetSeed(seed);
    int started = 0;
    // The first check comes at once (the phase start lies far back), every
    // later one 300 ms after the previous check or the end of a blink. A
    // probe 1 ms after a check shows whether it started closing.
    DWORD toCheck = 0;
    for (int check = 0; check < 2000; ++check) {
      EXPECT_EQ(WeightAfter(clock, blink.Get(), toCheck), 0.0f);
      const float probe = WeightAfter(clock, blink.Get(), 1);
      if (probe == 0.0f) {
        EXPECT_EQ(WeightAfter(clock, blink.Get(), 298), 0.0f);  // 299 ms: no check yet
        toCheck = 1;
        continue;
      }
      ++started;
      EXPECT_FLOAT_EQ(probe, 0.02f);
      EXPECT_EQ(WeightAfter(clock, blink.Get(), 49), 1.0f);
      EXPECT_EQ(WeightAfter(clock, blink.Get(), 50), 0.0f);
      toCheck = 300;
    }
    EXPECT_GT(started, 140) << seed;
    EXPECT_LT(started, 260) << seed;
  }
}

}  // namespace
