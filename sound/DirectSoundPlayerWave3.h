// A sound player for uncompressed RIFF/WAVE data read straight from a byte
// stream.
#pragma once

#include <IReadAccesser.h>

#include "sound/DirectSoundPlayerBase3.h"

namespace tavorin::sound {

class CDirectSoundPlayerWave3 : public CDirectSoundPlayerBase3 {
 public:
  // Reads `source` when given (its own reference), else the loose file `name`.
  HRESULT Init(const char* name, IReadAccesser* source, IDirectSound8* sound);

 protected:
  ~CDirectSoundPlayerWave3() override;

  HRESULT ReadSource(void* buffer, DWORD length, DWORD* got) override;
  HRESULT SeekFrame(ULONGLONG frame) override;
  ULONGLONG TellFrame() override;

 private:
  IReadAccesser* m_source = nullptr;
  ULONGLONG m_dataStart = 0;
  ULONGLONG m_dataSize = 0;
  DWORD m_bytesPerFrame = 0;
  // The stream position, kept here so that reading needs no Tell.
  ULONGLONG m_offset = 0;
};

}  // namespace tavorin::sound
