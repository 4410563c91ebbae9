// Feeds arbitrary bytes to the spline track reader, then evaluates and rewrites
// what it accepted.
#include "KeyTracks.h"
#include "fuzz/animation/TrackFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavorin::fuzz::FuzzTrack<CurveTrack>(
      data, size, ReadCurveTrack, SerializeCurveTrack,
      [](CurveTrack& track, INT frame) { EvaluateCurve(track, frame); });
}
