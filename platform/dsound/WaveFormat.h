// Checks of the wave formats DirectSound buffers accept.
#pragma once

#include <mmreg.h>
#include <windef.h>

namespace tavorin::dsound {

enum class SampleType { kUnsigned8, kSigned16, kFloat32 };

// How the mixer reads one buffer's bytes.
struct SampleLayout {
  SampleType type = SampleType::kSigned16;
  WORD channels = 2;
  WORD blockAlign = 4;
  DWORD samplesPerSec = 48000;
};

// DS_OK and *layout for integer PCM of 8 or 16 bits or 32-bit float, mono or
// stereo, DSBFREQUENCY_MIN … DSBFREQUENCY_MAX samples per second, with a
// block alignment that matches; DSERR_BADFORMAT for anything else.
HRESULT CheckWaveFormat(const WAVEFORMATEX& format, SampleLayout* layout);

// The format record of a checked layout, with the derived fields filled in.
WAVEFORMATEX MakeWaveFormat(const SampleLayout& layout);

}  // namespace tavorin::dsound
