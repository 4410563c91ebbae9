// The sound factory: a wave or Ogg Vorbis player by type or by extension.
#include <SoundPlayer.h>

#include <cstring>
#include <strings.h>

#include "sound/DirectSoundPlayerOgg3.h"
#include "sound/DirectSoundPlayerWave3.h"

namespace tavorin::sound {
namespace {

// The extension as the Windows path splitter sees it: from the last dot of
// the last path component.
const char* Extension(const char* name) {
  const char* base = name;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\' || *p == ':') base = p + 1;
  }
  const char* dot = std::strrchr(base, '.');
  return dot != nullptr ? dot : "";
}

INT TypeOfName(const char* name) {
  const char* extension = Extension(name);
  if (strcasecmp(extension, ".wav") == 0) return kSoundWave;
  if (strcasecmp(extension, ".ogg") == 0) return kSoundOggVorbis;
  return -1;
}

}  // namespace
}  // namespace tavorin::sound

HRESULT CreateSoundPlayer(const char* name, IReadAccesser* source, IDirectSound8* sound,
                          IDirectSoundPlayer3** out, INT type) {
  using namespace tavorin::sound;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (sound == nullptr) return E_INVALIDARG;
  if (type == kSoundByExtension) {
    if (name == nullptr) return E_INVALIDARG;
    type = TypeOfName(name);
    if (type < 0) return E_ACCESSDENIED;
  }
  if (source == nullptr && name == nullptr) return E_INVALIDARG;
  switch (type) {
    case kSoundWave:
      return tavorin::CreateComObject<CDirectSoundPlayerWave3>(out, name, source, sound);
    case kSoundOggVorbis:
      return tavorin::CreateComObject<CDirectSoundPlayerOgg3>(out, name, source, sound);
    default:
      return E_INVALIDARG;
  }
}
