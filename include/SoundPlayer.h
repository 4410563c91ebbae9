// The sound factory: a streaming player for a wave or Ogg Vorbis sound.
#pragma once

#include "IDirectSoundPlayer3.h"
#include "IReadAccesser.h"

struct IDirectSound8;

// Kinds CreateSoundPlayer accepts.
enum SoundPlayerType : INT { kSoundByExtension = -1, kSoundWave = 0, kSoundOggVorbis = 1 };

// Makes a player for `type`: kSoundByExtension picks by the extension of
// `name` (".wav" or ".ogg", any case). The player reads `source` when it is
// given (taking its own reference), else it opens `name` as a loose file.
// Results: E_INVALIDARG for a null `sound`, an unknown type, or
// kSoundByExtension without a name; E_ACCESSDENIED for an unknown extension,
// a file that cannot be opened or data the Ogg Vorbis decoder refuses;
// E_FAIL for a wave file that is not plain PCM RIFF/WAVE or a format the
// sound device refuses. On success `*out` holds one reference; on failure it
// is null. Any thread; the player then belongs to its caller's thread.
HRESULT CreateSoundPlayer(const char* name, IReadAccesser* source, IDirectSound8* sound,
                          IDirectSoundPlayer3** out, INT type);
