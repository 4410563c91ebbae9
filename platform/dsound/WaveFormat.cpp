// Wave format checks for the DirectSound buffers.
#include "platform/dsound/WaveFormat.h"

#include <dsound.h>

namespace tavorin::dsound {

HRESULT CheckWaveFormat(const WAVEFORMATEX& format, SampleLayout* layout) {
  SampleLayout result;
  if (format.wFormatTag == WAVE_FORMAT_PCM && format.wBitsPerSample == 8) {
    result.type = SampleType::kUnsigned8;
  } else if (format.wFormatTag == WAVE_FORMAT_PCM && format.wBitsPerSample == 16) {
    result.type = SampleType::kSigned16;
  } else if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && format.wBitsPerSample == 32) {
    result.type = SampleType::kFloat32;
  } else {
    return DSERR_BADFORMAT;
  }
  if (format.nChannels != 1 && format.nChannels != 2) return DSERR_BADFORMAT;
  if (format.nSamplesPerSec < DSBFREQUENCY_MIN || format.nSamplesPerSec > DSBFREQUENCY_MAX) {
    return DSERR_BADFORMAT;
  }
  // A wrong block alignment would make every frame boundary wrong, so it is
  // refused; the average byte rate is only informative and is recomputed.
  if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) return DSERR_BADFORMAT;
  result.channels = format.nChannels;
  result.blockAlign = format.nBlockAlign;
  result.samplesPerSec = format.nSamplesPerSec;
  *layout = result;
  return DS_OK;
}

WAVEFORMATEX MakeWaveFormat(const SampleLayout& layout) {
  WAVEFORMATEX format{};
  format.wFormatTag =
      layout.type == SampleType::kFloat32 ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
  format.nChannels = layout.channels;
  format.nSamplesPerSec = layout.samplesPerSec;
  format.nBlockAlign = layout.blockAlign;
  format.nAvgBytesPerSec = layout.samplesPerSec * layout.blockAlign;
  format.wBitsPerSample = static_cast<WORD>(layout.blockAlign * 8 / layout.channels);
  format.cbSize = 0;
  return format;
}

}  // namespace tavorin::dsound
