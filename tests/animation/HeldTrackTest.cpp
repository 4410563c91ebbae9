#include <climits>

#include <gtest/gtest.h>

#include "TrackTestSupport.h"

namespace {

using tavorin::test::SetKeys;

TEST(HeldTrackTest, StepTrackHoldsTheKeyAtOrBeforeTheFrame) {
  StepTrack track;
  track.defaultValue = 99;
  SetKeys(track, std::vector<StepKey>{{10, 1}, {20, 2}});
  struct Case {
    INT frame;
    DWORD value;
    HRESULT result;
  };
  for (const Case& c :
       {Case{5, 1, S_OK}, Case{10, 1, S_OK}, Case{15, 1, S_OK}, Case{19, 1, S_OK},
        Case{20, 2, TrackFinished}, Case{INT_MAX, 2, TrackFinished}, Case{INT_MIN, 1, S_OK}}) {
    EXPECT_EQ(EvaluateStep(track, c.frame), c.result) << c.frame;
    EXPECT_EQ(track.current, c.value) << c.frame;
  }
  track.enabled = 0;
  EXPECT_EQ(EvaluateStep(track, 25), S_OK);
  EXPECT_EQ(track.current, 99u);

  StepTrack single;
  SetKeys(single, std::vector<StepKey>{{10, 7}});
  EXPECT_EQ(EvaluateStep(single, 10), S_OK);
  EXPECT_EQ(EvaluateStep(single, 11), TrackFinished);
  StepTrack empty;
  empty.defaultValue = 4;
  EXPECT_EQ(EvaluateStep(empty, 3), S_OK);
  EXPECT_EQ(empty.current, 4u);
}

TEST(HeldTrackTest, PairTrackHoldsTheWholeTriple) {
  PairTrack track;
  track.defaultValue = {9, 9, 9};
  SetKeys(track, std::vector<PairKey>{{0, {1, 2, 3}}, {10, {4, 5, 6}}, {20, {7, 8, 0xDEADBEEF}}});
  EXPECT_EQ(EvaluatePair(track, 15), S_OK);
  EXPECT_EQ(track.current.a, 4);
  EXPECT_EQ(track.current.b, 5);
  EXPECT_EQ(track.current.c, 6u);
  EXPECT_EQ(EvaluatePair(track, 20), TrackFinished);
  EXPECT_EQ(track.current.c, 0xDEADBEEFu);
  track.enabled = 0;
  EXPECT_EQ(EvaluatePair(track, 15), S_OK);
  EXPECT_EQ(track.current.a, 9);
}

TEST(HeldTrackTest, IndexTrackTruncatesThenLimits) {
  IndexTrack track;
  track.limitFlags = kLimitLower | kLimitUpper;
  track.lowerLimit = 2;
  track.upperLimit = 5;
  SetKeys(track, std::vector<IndexKey>{{0, 0, kInterpolationHold}, {10, 10, kInterpolationLinear}});
  struct Case {
    INT frame;
    WORD value;
    HRESULT result;
  };
  for (const Case& c : {Case{-4, 2, S_OK}, Case{0, 2, S_OK}, Case{1, 2, S_OK}, Case{3, 3, S_OK},
                        Case{7, 5, S_OK}, Case{10, 5, TrackFinished}}) {
    EXPECT_EQ(EvaluateIndex(track, c.frame), c.result) << c.frame;
    EXPECT_EQ(track.current, c.value) << c.frame;
  }
  // Disabled: the default, limited too.
  track.enabled = 0;
  track.defaultValue = 40;
  EXPECT_EQ(EvaluateIndex(track, 3), S_OK);
  EXPECT_EQ(track.current, 5);

  // The stored result is the limit's low 16 bits.
  IndexTrack wide;
  wide.limitFlags = kLimitLower;
  wide.lowerLimit = 0x12345;
  wide.defaultValue = 7;
  EvaluateIndex(wide, 0);
  EXPECT_EQ(wide.current, 0x2345);
}

TEST(HeldTrackTest, IndexTrackLinearValuesTruncateExactly) {
  IndexTrack thirds;
  SetKeys(thirds, std::vector<IndexKey>{{0, 0, 0}, {3, 10, kInterpolationLinear}});
  EvaluateIndex(thirds, 1);
  EXPECT_EQ(thirds.current, 3);  // 3.33
  EvaluateIndex(thirds, 2);
  EXPECT_EQ(thirds.current, 6);  // 6.67

  // Whole results stay whole: 29/100 of 100 is 29, never 28.999… cut to 28.
  IndexTrack percent;
  SetKeys(percent, std::vector<IndexKey>{{0, 0, 0}, {100, 100, kInterpolationLinear}});
  for (INT frame = 1; frame < 100; ++frame) {
    EvaluateIndex(percent, frame);
    EXPECT_EQ(percent.current, frame);
  }
}

TEST(HeldTrackTest, HoldCubicAndUnknownInterpolation) {
  ScalarTrack track;
  SetKeys(track, std::vector<ScalarKey>{{0, 0.0f, 0},
                                        {10, 10.0f, kInterpolationCubic},
                                        {20, 0.0f, kInterpolationCubic},
                                        {30, 0.0f, kInterpolationHold},
                                        {40, 8.0f, 7}});
  // On the second-to-last span with a following key, key1 still stands in
  // for the next key (tangent -10 rather than -5): 6.25, not 5.625.
  ScalarTrack fourKeys;
  SetKeys(fourKeys, std::vector<ScalarKey>{{0, 0.0f, 0},
                                           {10, 10.0f, kInterpolationCubic},
                                           {20, 0.0f, kInterpolationCubic},
                                           {30, 0.0f, kInterpolationCubic}});
  EXPECT_EQ(EvaluateScalar(fourKeys, 15), S_OK);
  EXPECT_FLOAT_EQ(fourKeys.current, 6.25f);
  // With five keys the same span has a real next key (i < n - 3).
  EXPECT_EQ(EvaluateScalar(track, 15), S_OK);
  EXPECT_FLOAT_EQ(track.current, 5.625f);

  track.current = 77.0f;
  EXPECT_EQ(EvaluateScalar(track, 25), S_OK);  // hold: the start key's value
  EXPECT_FLOAT_EQ(track.current, 0.0f);
  // The span ending at the key with code 7 leaves current alone.
  track.current = 77.0f;
  EXPECT_EQ(EvaluateScalar(track, 35), S_OK);
  EXPECT_FLOAT_EQ(track.current, 77.0f);
}

TEST(HeldTrackTest, ScalarTrackLimitsAndDefault) {
  ScalarTrack track;
  track.limitFlags = kLimitUpper;
  track.upperLimit = 2.5f;
  SetKeys(track, std::vector<ScalarKey>{{0, 0.0f, 0}, {4, 4.0f, kInterpolationLinear}});
  EvaluateScalar(track, 1);
  EXPECT_FLOAT_EQ(track.current, 1.0f);
  EvaluateScalar(track, 3);
  EXPECT_FLOAT_EQ(track.current, 2.5f);
  EXPECT_EQ(EvaluateScalar(track, 4), TrackFinished);
  track.keys.reset();
  track.keyCount = 0;
  track.defaultValue = -1.5f;
  track.limitFlags = kLimitLower;
  track.lowerLimit = -1.0f;
  EXPECT_EQ(EvaluateScalar(track, 0), S_OK);
  EXPECT_FLOAT_EQ(track.current, -1.0f);
}

TEST(HeldTrackTest, KeysOutOfOrderEvaluateWithoutFault) {
  IndexTrack index;
  SetKeys(index, std::vector<IndexKey>{{10, 1, 2}, {0, 5, 1}, {0, 9, 2}, {30, 3, 1}, {2, 8, 2}});
  StepTrack step;
  SetKeys(step, std::vector<StepKey>{{10, 1}, {0, 2}, {0, 3}, {30, 4}, {2, 5}});
  for (INT frame = -5; frame <= 35; ++frame) {
    EvaluateIndex(index, frame);
    EvaluateStep(step, frame);
  }
}

}  // namespace
