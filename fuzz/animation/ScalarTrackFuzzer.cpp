// Feeds arbitrary bytes to the scalar track reader, then evaluates and rewrites
// what it accepted.
#include "KeyTracks.h"
#include "fuzz/animation/TrackFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavorin::fuzz::FuzzTrack<ScalarTrack>(
      data, size, ReadScalarTrack, SerializeScalarTrack,
      [](ScalarTrack& track, INT frame) { EvaluateScalar(track, frame); });
}
