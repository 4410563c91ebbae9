// Feeds arbitrary bytes to both step track readers (the layer's and the
// lip-sync's), then evaluates and rewrites what they accepted.
#include "KeyTracks.h"
#include "fuzz/animation/TrackFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto evaluate = [](StepTrack& track, INT frame) { EvaluateStep(track, frame); };
  tavorin::fuzz::FuzzTrack<StepTrack>(data, size, ReadLayerStepTrack, SerializeStepTrack, evaluate);
  return tavorin::fuzz::FuzzTrack<StepTrack>(data, size, ReadLipSyncStepTrack, SerializeStepTrack,
                                             evaluate);
}
