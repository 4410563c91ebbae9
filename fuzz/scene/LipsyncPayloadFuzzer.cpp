// Feeds arbitrary bytes to the "LIPS" payload reader, then poses the
// lip-sync in every mode and rewrites what it accepted.
#include "IVeyaLipsync.h"
#include "fuzz/scene/ComponentFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavorin::fuzz;
  return FuzzComponent<IVeyaLipsync>(data, size, CreateLipsync, [](IVeyaLipsync* lipsync) {
    const WORD mode = lipsync->GetMode();
    for (WORD probeMode : {WORD(0), WORD(1), WORD(2), mode}) {
      lipsync->SetMode(probeMode);
      for (INT frame : kProbeFrames) {
        lipsync->SetFrame(frame);
        MorphState state = {};
        Check(lipsync->GetState(&state) == S_OK);
        Check(probeMode > 2 || probeMode == 0 || (state.weight[0] >= 0 && state.weight[0] <= 1));
      }
    }
    lipsync->SetMode(mode);
  });
}
