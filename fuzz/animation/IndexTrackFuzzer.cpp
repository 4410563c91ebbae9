// Feeds arbitrary bytes to the index track reader, then evaluates and rewrites
// what it accepted.
#include "KeyTracks.h"
#include "fuzz/animation/TrackFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavorin::fuzz::FuzzTrack<IndexTrack>(
      data, size, ReadIndexTrack, SerializeIndexTrack,
      [](IndexTrack& track, INT frame) { EvaluateIndex(track, frame); });
}
