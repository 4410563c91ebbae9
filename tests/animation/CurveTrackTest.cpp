#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include "TrackTestSupport.h"

namespace {

using tavorin::test::MakeCurve;
using tavorin::test::MakeCurveKey;

CurveTrack Triangle(WORD pre, WORD post, float lastValue = 0.0f) {
  return MakeCurve({MakeCurveKey(0, 0, kCurveShapeLinear), MakeCurveKey(10, 10, kCurveShapeLinear),
                    MakeCurveKey(20, lastValue, kCurveShapeLinear)},
                   pre, post);
}

CurveTrack Ramp(WORD pre, WORD post, WORD shape = kCurveShapeLinear) {
  return MakeCurve({MakeCurveKey(0, 0, shape), MakeCurveKey(10, 10, shape)}, pre, post);
}

TEST(CurveTrackTest, SingleKeyGivesItsValueEverywhereWhateverTheBehaviour) {
  const CurveTrack track =
      MakeCurve({MakeCurveKey(7, 3.5f, kCurveShapeTcb)}, kBehaviorReset, kBehaviorLinear);
  for (INT frame : {INT_MIN, -100, 6, 7, 8, 1000, INT_MAX}) {
    EXPECT_FLOAT_EQ(EvaluateCurve(track, frame), 3.5f) << frame;
  }
}

TEST(CurveTrackTest, RepeatWrapsBothWaysAndTheLastKeyCountsAsAfter) {
  const CurveTrack track = Triangle(kBehaviorRepeat, kBehaviorRepeat);
  EXPECT_FLOAT_EQ(EvaluateCurve(track, 5), 5.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(track, 20), 0.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(track, 25), 5.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(track, -5), 5.0f);  // wrapped to 15
  EXPECT_FLOAT_EQ(EvaluateCurve(track, -20), 0.0f);

  // Frames at the ends of the integer range still wrap into the keyed range
  // (single-precision wrapping would leave it): INT_MAX is 7 past a cycle
  // start, INT_MIN is 12 past one.
  EXPECT_FLOAT_EQ(EvaluateCurve(track, INT_MAX), 7.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(track, INT_MIN), 8.0f);
  for (INT frame = (1 << 24) - 40; frame < (1 << 24) + 40; ++frame) {
    const INT phase = frame % 20;
    EXPECT_FLOAT_EQ(EvaluateCurve(track, frame), float(phase <= 10 ? phase : 20 - phase));
  }
}

TEST(CurveTrackTest, RepeatKeepsThePhaseOfARangeNotStartingAtZero) {
  // The cycle is counted from frame 0, not from the first key: stored
  // animations play with that phase.
  const CurveTrack track =
      MakeCurve({MakeCurveKey(5, 0, kCurveShapeLinear), MakeCurveKey(15, 10, kCurveShapeLinear)});
  EXPECT_FLOAT_EQ(EvaluateCurve(track, 25), 5.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(track, 3), 3.0f);
}

TEST(CurveTrackTest, ConstantResetAndUnknownBehavioursOutsideTheRange) {
  const CurveTrack constant = Triangle(kBehaviorConstant, kBehaviorConstant);
  EXPECT_FLOAT_EQ(EvaluateCurve(constant, -3), 0.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(constant, 30), 0.0f);

  const CurveTrack reset = Triangle(kBehaviorReset, kBehaviorReset, 4.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(reset, 20), 0.0f);  // the last key's own frame resets too
  EXPECT_FLOAT_EQ(EvaluateCurve(reset, -1), 0.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(reset, 15), 7.0f);

  // Codes above 5 hold the nearest end key instead of searching outside the
  // keys.
  const CurveTrack unknown = Triangle(6, 0xFFFF, 4.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(unknown, -50), 0.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(unknown, 20), 4.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(unknown, 5000), 4.0f);
}

TEST(CurveTrackTest, OffsetRepeatAndOscillate) {
  const CurveTrack offset = Ramp(kBehaviorOffsetRepeat, kBehaviorOffsetRepeat);
  EXPECT_FLOAT_EQ(EvaluateCurve(offset, 25), 25.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(offset, -5), -5.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(offset, 10), 10.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(offset, -30), -30.0f);

  const CurveTrack oscillate = Ramp(kBehaviorOscillate, kBehaviorOscillate);
  EXPECT_FLOAT_EQ(EvaluateCurve(oscillate, 12), 8.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(oscillate, 18), 2.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(oscillate, 10), 10.0f);  // mirrored cycle boundary
  EXPECT_FLOAT_EQ(EvaluateCurve(oscillate, 23), 3.0f);   // second repetition runs forward
  EXPECT_FLOAT_EQ(EvaluateCurve(oscillate, -3), 3.0f);   // mirrored before the range
}

TEST(CurveTrackTest, LinearBehaviourExtrapolatesAlongTheEndTangent) {
  const CurveTrack tcb = Ramp(kBehaviorLinear, kBehaviorLinear, kCurveShapeTcb);
  EXPECT_FLOAT_EQ(EvaluateCurve(tcb, -5), -5.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(tcb, 15), 15.0f);

  // Linear-shaped keys have no tangent, so the extrapolation is flat.
  const CurveTrack linear = Ramp(kBehaviorLinear, kBehaviorLinear);
  EXPECT_FLOAT_EQ(EvaluateCurve(linear, -5), 0.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(linear, 15), 10.0f);
}

TEST(CurveTrackTest, SpanShapes) {
  const CurveTrack tcbLine =
      MakeCurve({MakeCurveKey(0, 0, kCurveShapeTcb), MakeCurveKey(10, 10, kCurveShapeTcb),
                 MakeCurveKey(20, 20, kCurveShapeTcb)});
  EXPECT_FLOAT_EQ(EvaluateCurve(tcbLine, 5), 5.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(tcbLine, 13), 13.0f);

  // Full tension flattens the tangents: a smooth step 0 → 16 over 4 frames.
  const CurveTrack tense = MakeCurve(
      {MakeCurveKey(0, 0, kCurveShapeTcb, {1}), MakeCurveKey(4, 16, kCurveShapeTcb, {1})});
  EXPECT_FLOAT_EQ(EvaluateCurve(tense, 1), 2.5f);

  // Hermite: tangents come from p4 of the start key and p3 of the end key;
  // a Bezier-coded span evaluates the same way.
  for (WORD shape : {kCurveShapeHermite, kCurveShapeBezier}) {
    const CurveTrack flat = MakeCurve({MakeCurveKey(0, 0, shape), MakeCurveKey(4, 16, shape)});
    EXPECT_FLOAT_EQ(EvaluateCurve(flat, 1), 2.5f);
    const CurveTrack chord = MakeCurve(
        {MakeCurveKey(0, 0, shape, {0, 0, 0, 0, 16}), MakeCurveKey(4, 16, shape, {0, 0, 0, 16})});
    EXPECT_FLOAT_EQ(EvaluateCurve(chord, 1), 4.0f);
  }

  // The end key's shape decides: stepped holds up to, not including, its frame.
  const CurveTrack stepped =
      MakeCurve({MakeCurveKey(0, 3, kCurveShapeLinear), MakeCurveKey(10, 9, kCurveShapeStepped)},
                kBehaviorConstant, kBehaviorConstant);
  EXPECT_FLOAT_EQ(EvaluateCurve(stepped, 0), 3.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(stepped, 9), 3.0f);
  EXPECT_FLOAT_EQ(EvaluateCurve(stepped, 10), 9.0f);
}

TEST(CurveTrackTest, TwoDimensionalBezierWithStraightHandlesIsALine) {
  const CurveTrack track = MakeCurve({MakeCurveKey(0, 0, kCurveShapeLinear, {0, 0, 0, 10}),
                                      MakeCurveKey(30, 30, kCurveShapeBezier2D, {0, -10, -10})});
  for (INT frame = 0; frame < 30; ++frame) {
    EXPECT_NEAR(EvaluateCurve(track, frame), float(frame), 0.001) << frame;
  }
  // A handle folding the frame curve back on itself still ends, with a
  // finite value.
  const CurveTrack folded = MakeCurve({MakeCurveKey(0, 0, kCurveShapeBezier2D, {0, 0, 400, 10}),
                                       MakeCurveKey(30, 30, kCurveShapeBezier2D, {0, -10, -400})});
  for (INT frame = 0; frame < 30; ++frame) EXPECT_TRUE(std::isfinite(EvaluateCurve(folded, frame)));
}

TEST(CurveTrackTest, KeysOutOfOrderEvaluateWithoutFault) {
  // Decreasing and repeated frames are accepted as stored; every behaviour
  // must still end and stay inside the keys (checked under ASan).
  for (WORD behavior = 0; behavior <= 6; ++behavior) {
    const CurveTrack track =
        MakeCurve({MakeCurveKey(10, 1, kCurveShapeTcb), MakeCurveKey(0, 2, kCurveShapeBezier2D),
                   MakeCurveKey(0, 3, kCurveShapeHermite), MakeCurveKey(20, 4, kCurveShapeLinear),
                   MakeCurveKey(5, 5, kCurveShapeTcb)},
                  behavior, behavior);
    for (INT frame = -40; frame <= 40; ++frame) EvaluateCurve(track, frame);
    EvaluateCurve(track, INT_MIN);
    EvaluateCurve(track, INT_MAX);
  }
}

TEST(CurveTrackTest, BlendMovesFromOneFrameTowardsAnother) {
  const CurveTrack track = Ramp(kBehaviorConstant, kBehaviorConstant);
  EXPECT_FLOAT_EQ(EvaluateCurveBlend(track, 2, 1, 0.0f, 8, 4), 3.5f);
  EXPECT_FLOAT_EQ(EvaluateCurveBlend(track, 2, 3, 0.0f, 8, 0), 8.0f);
  EXPECT_FLOAT_EQ(EvaluateCurveBlend(track, 2, 6, 0.0f, 8, 4), 11.0f);  // step is not clamped
  const CurveTrack empty;
  EXPECT_FLOAT_EQ(EvaluateCurveBlend(empty, 2, 1, 1.0f, 8, 4), 1.0f);
}

}  // namespace
