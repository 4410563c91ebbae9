// Test hooks of the DirectSound mixer: capture, manual mixing and a failing
// output thread.
#include <platform_test_dsound.h>

#include "platform/dsound/Mixer.h"

namespace tavorin::test {

static_assert(kDSoundOutputRate == dsound::kMixRate, "the captured rate is the mixer's");

void DSoundSetCaptureCallback(DSoundCaptureCallback callback, void* context) {
  dsound::CMixer::Instance().SetCaptureCallback(callback, context);
}

void DSoundStartCapture() {
  dsound::CMixer::Instance().StartCapture();
}

std::vector<float> DSoundStopCapture() {
  return dsound::CMixer::Instance().StopCapture();
}

void DSoundSetManualMixing(bool manual) {
  dsound::CMixer::Instance().SetManual(manual);
}

bool DSoundMix(float* out, size_t frameCount) {
  return dsound::CMixer::Instance().MixManual(out, frameCount);
}

void DSoundFailOutputThreads(bool fail) {
  dsound::CAudioOutput::FailThreadStarts(fail);
}

bool DSoundIsSilentOutput() {
  return dsound::CMixer::Instance().IsSilentOutput();
}

}  // namespace tavorin::test
