// DirectSound's volume and pan laws, shared by the buffers and the mixer.
#pragma once

#include <windef.h>

namespace tavorin::dsound {

// Amplitude factor of an attenuation in hundredths of a decibel; -10000 and
// below is silence, as DSBVOLUME_MIN is.
float AttenuationToGain(LONG hundredthsOfDb);

// Left and right factors of a volume and a pan: the side the pan moves away
// from is attenuated by the pan's magnitude on top of the volume.
void ChannelGains(LONG volume, LONG pan, float* left, float* right);

}  // namespace tavorin::dsound
