// A sound player decoding Ogg Vorbis through vorbisfile, which reads the
// byte stream through callbacks.
#pragma once

#include <IReadAccesser.h>
// The library's stdio callback sets are not used.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "sound/DirectSoundPlayerBase3.h"

namespace tavorin::sound {

class CDirectSoundPlayerOgg3 : public CDirectSoundPlayerBase3 {
 public:
  // Reads `source` when given (its own reference), else the loose file `name`.
  HRESULT Init(const char* name, IReadAccesser* source, IDirectSound8* sound);

 protected:
  ~CDirectSoundPlayerOgg3() override;

  HRESULT ReadSource(void* buffer, DWORD length, DWORD* got) override;
  HRESULT SeekFrame(ULONGLONG frame) override;
  ULONGLONG TellFrame() override;

 private:
  HRESULT ReadPartialFrame(BYTE* buffer, DWORD length, DWORD* got);
  bool SameLayout(int link);

  IReadAccesser* m_source = nullptr;
  OggVorbis_File m_file{};
  bool m_opened = false;
  int m_link = -1;  // the link whose layout was last checked
  int m_channels = 0;
  long m_rate = 0;
  ULONGLONG m_totalFrames = 0;
};

}  // namespace tavorin::sound
