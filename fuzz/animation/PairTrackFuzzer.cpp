// Feeds arbitrary bytes to the pair track reader, then evaluates and rewrites
// what it accepted.
#include "KeyTracks.h"
#include "fuzz/animation/TrackFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavorin::fuzz::FuzzTrack<PairTrack>(
      data, size, ReadPairTrack, SerializePairTrack,
      [](PairTrack& track, INT frame) { EvaluatePair(track, frame); });
}
