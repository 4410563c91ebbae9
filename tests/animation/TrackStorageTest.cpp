#include <random>

#include <gtest/gtest.h>

#include "TrackTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::MakeCurve;
using tavorin::test::MakeCurveKey;
using tavorin::test::ReaderOver;
using tavorin::test::SetKeys;
using tavorin::test::TempDir;
using tavorin::test::WrittenBytes;

// Writes a track, checks the null-writer size against the bytes written and
// the expected size, reads it back into `back` and checks the whole run was
// taken. The pair writer's result is its size, checked here too.
template <class Track, class Serialize, class Read>
void RoundTrip(const Track& track, Track& back, DWORD expectedSize, Serialize serialize, Read read,
               bool announced = false) {
  TempDir dir;
  DWORD counted = 0;
  const HRESULT countResult = serialize(track, nullptr, &counted);
  ASSERT_TRUE(SUCCEEDED(countResult));
  EXPECT_EQ(counted, expectedSize);
  DWORD written = 0;
  const std::vector<uint8_t> bytes = WrittenBytes(
      dir,
      [&](IFileWriter* writer) {
        DWORD size = 0;
        EXPECT_EQ(serialize(track, writer, &size), countResult);
        return size;
      },
      &written);
  EXPECT_EQ(written, counted);
  ASSERT_EQ(bytes.size(), counted);

  ComPtr<IFileReader> reader = ReaderOver(dir, bytes, announced);
  ASSERT_TRUE(reader);
  DWORD consumed = 0;
  EXPECT_EQ(read(reader.Get(), back, DWORD(bytes.size()), &consumed), S_OK);
  EXPECT_EQ(consumed, bytes.size());
}

void ExpectSameCurve(const CurveTrack& a, const CurveTrack& b) {
  ASSERT_EQ(a.keyCount, b.keyCount);
  EXPECT_EQ(a.preBehavior, b.preBehavior);
  EXPECT_EQ(a.postBehavior, b.postBehavior);
  for (WORD i = 0; i < a.keyCount; ++i) {
    EXPECT_EQ(a.keys[i].frame, b.keys[i].frame);
    EXPECT_EQ(a.keys[i].value, b.keys[i].value);
    EXPECT_EQ(a.keys[i].shape, b.keys[i].shape);
    for (int p = 0; p < 6; ++p) EXPECT_EQ(a.keys[i].p[p], b.keys[i].p[p]);
  }
}

TEST(TrackStorageTest, CurveRunHasTheStoredLayout) {
  const CurveTrack track =
      MakeCurve({MakeCurveKey(-2, 1.5f, kCurveShapeBezier2D, {1, 2, 3, 4, 5, 6})}, 3, 5);
  Bytes expected;
  expected.Chunk("KEYN", 2).U16(1).Chunk("KEY ", 34).F32(1.5f).U32(DWORD(-2)).U16(5);
  for (float p : {1, 2, 3, 4, 5, 6}) expected.F32(p);
  expected.Chunk("PER ", 2).U16(3).Chunk("POST", 2).U16(5);
  TempDir dir;
  EXPECT_EQ(WrittenBytes(dir,
                         [&](IFileWriter* writer) {
                           DWORD size = 0;
                           SerializeCurveTrack(track, writer, &size);
                           return size;
                         }),
            expected.Get());

  // An empty track still writes "KEY " with size 0.
  DWORD size = 0;
  SerializeCurveTrack(CurveTrack(), nullptr, &size);
  EXPECT_EQ(size, 38u);
}

TEST(TrackStorageTest, EveryKindReadsBackWhatItWrote) {
  CurveTrack curve = MakeCurve(
      {MakeCurveKey(0, 1, 0, {0.5f, -0.5f, 0.25f}), MakeCurveKey(7, -3, 5, {1, 2, 3, 4, 5, 6})},
      kBehaviorOscillate, kBehaviorLinear);
  CurveTrack curveBack;
  curveBack.preBehavior = 0;
  RoundTrip(curve, curveBack, 38 + 34 * 2, SerializeCurveTrack, ReadCurveTrack);
  ExpectSameCurve(curve, curveBack);

  StepTrack step;
  step.enabled = 0;
  step.defaultValue = 0xA1B2C3D4;
  SetKeys(step, std::vector<StepKey>{{1, 5}, {9, 0xFFFF0001}});
  StepTrack stepBack;
  RoundTrip(step, stepBack, 42 + 8 * 2, SerializeStepTrack, ReadLayerStepTrack, true);
  EXPECT_EQ(stepBack.enabled, 0u);
  EXPECT_EQ(stepBack.defaultValue, 0xA1B2C3D4u);
  ASSERT_EQ(stepBack.keyCount, 2);
  EXPECT_EQ(stepBack.keys[1].frame, 9);
  EXPECT_EQ(stepBack.keys[1].value, 0xFFFF0001u);
  StepTrack emptyStep;
  RoundTrip(emptyStep, stepBack, 24, SerializeStepTrack, ReadLipSyncStepTrack);
  EXPECT_EQ(stepBack.keyCount, 0);

  IndexTrack index;
  index.enabled = 3;
  index.defaultValue = 12;
  index.limitFlags = kLimitUpper;
  index.upperLimit = -70000;
  SetKeys(index, std::vector<IndexKey>{{-5, 65535, 2}});
  IndexTrack indexBack;
  indexBack.limitFlags = kLimitLower;
  RoundTrip(index, indexBack, 20 + 12 + 18 + 7, SerializeIndexTrack, ReadIndexTrack, true);
  EXPECT_EQ(indexBack.enabled, 3);
  EXPECT_EQ(indexBack.defaultValue, 12);
  EXPECT_EQ(indexBack.limitFlags, kLimitUpper);
  EXPECT_EQ(indexBack.upperLimit, -70000);
  ASSERT_EQ(indexBack.keyCount, 1);
  EXPECT_EQ(indexBack.keys[0].value, 65535);
  EXPECT_EQ(indexBack.keys[0].interpolation, 2);

  ScalarTrack scalar;
  scalar.defaultValue = 0.75f;
  scalar.limitFlags = kLimitLower | kLimitUpper;
  scalar.lowerLimit = -1.0f;
  scalar.upperLimit = 2.0f;
  ScalarTrack scalarBack;
  RoundTrip(scalar, scalarBack, 24 + 24, SerializeScalarTrack, ReadScalarTrack);
  EXPECT_EQ(scalarBack.defaultValue, 0.75f);
  EXPECT_EQ(scalarBack.limitFlags, kLimitLower | kLimitUpper);
  EXPECT_EQ(scalarBack.lowerLimit, -1.0f);
  EXPECT_EQ(scalarBack.upperLimit, 2.0f);

  PairTrack pair;
  pair.defaultValue = {1, 2, 3};
  SetKeys(pair, std::vector<PairKey>{{4, {5, 6, 7}}});
  PairTrack pairBack;
  RoundTrip(pair, pairBack, 46 + 12, SerializePairTrack, ReadPairTrack, true);
  EXPECT_EQ(pairBack.defaultValue.c, 3u);
  ASSERT_EQ(pairBack.keyCount, 1);
  EXPECT_EQ(pairBack.keys[0].value.b, 6);
  DWORD pairSize = 0;
  EXPECT_EQ(SerializePairTrack(PairTrack(), nullptr, &pairSize), 28);
}

TEST(TrackStorageTest, RandomTracksRoundTrip) {
  std::mt19937 random(4242);
  auto anyFloat = [&] { return std::uniform_real_distribution<float>(-1e6f, 1e6f)(random); };
  auto anyWord = [&] { return WORD(random()); };
  for (int round = 0; round < 20; ++round) {
    const WORD count = WORD(random() % 40);
    std::vector<CurveKey> curveKeys;
    std::vector<ScalarKey> scalarKeys;
    std::vector<IndexKey> indexKeys;
    INT frame = INT(random() % 1000) - 500;
    for (WORD i = 0; i < count; ++i) {
      frame += 1 + INT(random() % 50);
      CurveKey key{anyFloat(), frame, WORD(random() % 7), {}};
      for (float& p : key.p) p = anyFloat();
      curveKeys.push_back(key);
      scalarKeys.push_back({frame, anyFloat(), BYTE(random())});
      indexKeys.push_back({frame, anyWord(), BYTE(random())});
    }
    CurveTrack curve = MakeCurve(curveKeys, anyWord(), anyWord());
    CurveTrack curveBack;
    RoundTrip(curve, curveBack, 38 + 34 * count, SerializeCurveTrack, ReadCurveTrack,
              round % 2 == 0);
    ExpectSameCurve(curve, curveBack);

    ScalarTrack scalar;
    SetKeys(scalar, scalarKeys);
    scalar.limitFlags = BYTE(random() % 4);
    scalar.lowerLimit = anyFloat();
    scalar.upperLimit = anyFloat();
    ScalarTrack scalarBack;
    const DWORD limits = 12 * ((scalar.limitFlags & 1) + (scalar.limitFlags >> 1));
    RoundTrip(scalar, scalarBack, 24 + limits + (count ? 18 + 9 * count : 0), SerializeScalarTrack,
              ReadScalarTrack);
    ASSERT_EQ(scalarBack.keyCount, count);
    EXPECT_EQ(scalarBack.limitFlags, scalar.limitFlags);
    for (WORD i = 0; i < count; ++i) {
      EXPECT_EQ(scalarBack.keys[i].value, scalar.keys[i].value);
      EXPECT_EQ(scalarBack.keys[i].interpolation, scalar.keys[i].interpolation);
    }

    IndexTrack index;
    SetKeys(index, indexKeys);
    IndexTrack indexBack;
    RoundTrip(index, indexBack, 20 + (count ? 18 + 7 * count : 0), SerializeIndexTrack,
              ReadIndexTrack, round % 3 == 0);
    ASSERT_EQ(indexBack.keyCount, count);
    for (WORD i = 0; i < count; ++i) {
      EXPECT_EQ(indexBack.keys[i].frame, index.keys[i].frame);
      EXPECT_EQ(indexBack.keys[i].value, index.keys[i].value);
    }
  }
}

TEST(TrackStorageTest, ReadersPrepareTheirFieldsAndSkipUnknownSubChunks) {
  TempDir dir;
  DWORD consumed = 0;
  // An unknown sub-chunk between "KEY " and "PER " is skipped.
  Bytes curveRun;
  curveRun.Chunk("KEYN", 2).U16(1).Chunk("KEY ", 34).F32(4).U32(3).U16(3);
  for (int p = 0; p < 6; ++p) curveRun.F32(0);
  curveRun.Chunk("XTRA", 5).U32(0).Append({1}).Chunk("PER ", 2).U16(1).Chunk("POST", 2).U16(4);
  CurveTrack curve;
  EXPECT_EQ(ReadCurveTrack(ReaderOver(dir, curveRun.Get(), true).Get(), curve, curveRun.Size(),
                           &consumed),
            S_OK);
  EXPECT_EQ(consumed, curveRun.Size());
  EXPECT_EQ(curve.keyCount, 1);
  EXPECT_EQ(curve.preBehavior, 1);
  EXPECT_EQ(curve.postBehavior, 4);

  // Without "PER " / "POST" the curve keeps its behaviours.
  Bytes bare;
  bare.Chunk("KEYN", 2).U16(0).Chunk("KEY ", 0);
  curve.preBehavior = 5;
  EXPECT_EQ(ReadCurveTrack(ReaderOver(dir, bare.Get()).Get(), curve, bare.Size(), &consumed), S_OK);
  EXPECT_EQ(curve.preBehavior, 5);
  EXPECT_EQ(curve.keyCount, 0);
  EXPECT_EQ(curve.keys, nullptr);

  // The layer's step reader leaves `enabled`; the lip-sync's switches it on.
  Bytes stepRun;
  stepRun.Chunk("DEF ", 4)
      .U32(0x00020001)
      .Chunk("KEYN", 2)
      .U16(1)
      .Chunk("KEY ", 8)
      .U32(5)
      .U32(0x00040003);
  StepTrack step;
  step.enabled = 0;
  EXPECT_EQ(
      ReadLayerStepTrack(ReaderOver(dir, stepRun.Get()).Get(), step, stepRun.Size(), &consumed),
      S_OK);
  EXPECT_EQ(step.enabled, 0u);
  EXPECT_EQ(
      ReadLipSyncStepTrack(ReaderOver(dir, stepRun.Get()).Get(), step, stepRun.Size(), &consumed),
      S_OK);
  EXPECT_EQ(step.enabled, 1u);
  EXPECT_EQ(LOWORD(step.defaultValue), 1);
  EXPECT_EQ(HIWORD(step.keys[0].value), 4);

  // The index reader switches on and clears the limits; the scalar reader
  // clears the limits only.
  Bytes limitRun;
  limitRun.Chunk("LMAX", 4).U32(9);
  IndexTrack index;
  index.enabled = 0;
  index.limitFlags = kLimitLower;
  EXPECT_EQ(
      ReadIndexTrack(ReaderOver(dir, limitRun.Get()).Get(), index, limitRun.Size(), &consumed),
      S_OK);
  EXPECT_EQ(index.enabled, 1);
  EXPECT_EQ(index.limitFlags, kLimitUpper);
  ScalarTrack scalar;
  scalar.enabled = 0;
  scalar.limitFlags = kLimitLower | kLimitUpper;
  Bytes noLimits;
  noLimits.Chunk("DEF ", 4).F32(2.0f);
  EXPECT_EQ(
      ReadScalarTrack(ReaderOver(dir, noLimits.Get()).Get(), scalar, noLimits.Size(), &consumed),
      S_OK);
  EXPECT_EQ(scalar.enabled, 0u);
  EXPECT_EQ(scalar.limitFlags, 0);
}

TEST(TrackStorageTest, MalformedRunsAreRejectedWithinTheirLength) {
  TempDir dir;
  auto readCurve = [&](const Bytes& run, DWORD length, DWORD* consumed) {
    CurveTrack track = MakeCurve({MakeCurveKey(0, 1, 3)});
    const HRESULT hr = ReadCurveTrack(ReaderOver(dir, run.Get()).Get(), track, length, consumed);
    if (FAILED(hr)) {
      EXPECT_EQ(track.keyCount, 0);
      EXPECT_EQ(track.keys, nullptr);
    }
    return hr;
  };
  DWORD consumed = 0;

  Bytes keysFirst;
  keysFirst.Chunk("KEY ", 34).Append(std::vector<uint8_t>(34, 0)).Chunk("KEYN", 2).U16(1);
  EXPECT_EQ(readCurve(keysFirst, keysFirst.Size(), &consumed), E_FAIL);

  Bytes tooManyKeys;
  tooManyKeys.Chunk("KEYN", 2).U16(3).Chunk("KEY ", 34).Append(std::vector<uint8_t>(34, 0));
  EXPECT_EQ(readCurve(tooManyKeys, tooManyKeys.Size(), &consumed), E_FAIL);
  EXPECT_LE(consumed, tooManyKeys.Size());

  // The run claims more than the file holds.
  Bytes truncated;
  truncated.Chunk("KEYN", 2).U16(1).Chunk("KEY ", 34).Append(std::vector<uint8_t>(10, 0));
  EXPECT_EQ(readCurve(truncated, 10 + 8 + 34, &consumed), E_FAIL);
  EXPECT_LE(consumed, 10u + 8 + 34);

  // A sub-chunk larger than what is left of the run, a header cut by the
  // run's end, and a field sub-chunk too small for its field.
  Bytes oversized;
  oversized.Chunk("JUNK", 100).Append(std::vector<uint8_t>(100, 0));
  EXPECT_EQ(readCurve(oversized, 50, &consumed), E_FAIL);
  EXPECT_LE(consumed, 50u);
  EXPECT_EQ(readCurve(oversized, 5, &consumed), E_FAIL);
  EXPECT_LE(consumed, 5u);
  Bytes shortField;
  shortField.Chunk("PER ", 1).Append({0}).Chunk("POST", 2).U16(1);
  EXPECT_EQ(readCurve(shortField, shortField.Size(), &consumed), E_FAIL);

  // The same rules in the held kinds' shared loop.
  Bytes pairKeysFirst;
  pairKeysFirst.Chunk("KEY ", 12).Append(std::vector<uint8_t>(12, 0));
  PairTrack pair;
  EXPECT_EQ(ReadPairTrack(ReaderOver(dir, pairKeysFirst.Get()).Get(), pair, pairKeysFirst.Size(),
                          &consumed),
            E_FAIL);
  Bytes indexTruncated;
  indexTruncated.Chunk("ENBL", 2).U16(1).Chunk("LMIN", 4);
  IndexTrack index;
  EXPECT_EQ(ReadIndexTrack(ReaderOver(dir, indexTruncated.Get()).Get(), index,
                           indexTruncated.Size() + 4, &consumed),
            E_FAIL);
  EXPECT_LE(consumed, indexTruncated.Size() + 4);

  // Null arguments.
  CurveTrack track;
  EXPECT_EQ(ReadCurveTrack(nullptr, track, 0, &consumed), E_POINTER);
  EXPECT_EQ(SerializeCurveTrack(track, nullptr, nullptr), E_POINTER);
}

}  // namespace
