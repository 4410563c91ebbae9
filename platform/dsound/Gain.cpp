// DirectSound volume and pan laws for the software mixer.
#include "platform/dsound/Gain.h"

#include <cmath>

#include <dsound.h>

namespace tavorin::dsound {

float AttenuationToGain(LONG hundredthsOfDb) {
  if (hundredthsOfDb <= DSBVOLUME_MIN) return 0.0f;
  if (hundredthsOfDb >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, hundredthsOfDb / 2000.0));
}

void ChannelGains(LONG volume, LONG pan, float* left, float* right) {
  LONG leftDb = volume + (pan > 0 ? -pan : 0);
  LONG rightDb = volume + (pan < 0 ? pan : 0);
  *left = AttenuationToGain(leftDb);
  *right = AttenuationToGain(rightDb);
}

}  // namespace tavorin::dsound
