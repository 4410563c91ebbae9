// Feeds arbitrary bytes to the "BLNK" payload reader, then runs the blink in
// every mode and rewrites what it accepted.
#include "IVeyaBlink.h"
#include "fuzz/scene/ComponentFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavorin::fuzz;
  return FuzzComponent<IVeyaBlink>(data, size, CreateBlink, [](IVeyaBlink* blink) {
    const WORD mode = blink->GetMode();
    for (WORD probeMode : {WORD(0), WORD(1), WORD(2), mode}) {
      blink->SetMode(probeMode);
      blink->StartBlink();
      for (INT frame : kProbeFrames) {
        blink->SetFrame(frame);
        MorphState state = {};
        Check(blink->GetState(&state) == S_OK);
        Check(probeMode > 2 || probeMode == 0 || (state.weight[0] >= 0 && state.weight[0] <= 1));
      }
    }
    blink->SetMode(mode);
  });
}
