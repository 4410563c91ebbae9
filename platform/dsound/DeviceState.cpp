// DirectSound object state shared with its buffers.
#include "platform/dsound/DeviceState.h"

#include "platform/dsound/Mixer.h"

namespace tavorin::dsound {
namespace {

// The format the primary buffer reports until SetFormat changes it: the
// output's own rate in 16-bit stereo.
SampleLayout DefaultPrimaryLayout() {
  SampleLayout layout;
  layout.type = SampleType::kSigned16;
  layout.channels = 2;
  layout.blockAlign = 4;
  layout.samplesPerSec = kMixRate;
  return layout;
}

}  // namespace

CDeviceState::CDeviceState() : primaryLayout(DefaultPrimaryLayout()) {
  m_hasOutput = CMixer::Instance().AddUser();
}

CDeviceState::~CDeviceState() {
  if (!m_hasOutput) return;
  CMixer& mixer = CMixer::Instance();
  {
    // A later sound object starts from an unscaled mix.
    std::lock_guard<std::mutex> lock(mixer.Mutex());
    if (primaryVolume != 0 || primaryPan != 0) mixer.SetMasterGainsLocked(1.0f, 1.0f);
  }
  mixer.RemoveUser();
}

}  // namespace tavorin::dsound
