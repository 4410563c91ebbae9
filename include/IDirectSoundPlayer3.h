// A streaming sound player: one sound decoded to PCM and streamed through a
// two-second DirectSound buffer from a thread of its own, with looping,
// fade-out and gliding volume, pan and frequency.
#pragma once

#include <mmreg.h>
#include <windows.h>

#include "ResultCodes.h"

DECLARE_INTERFACE_ID(IDirectSoundPlayer3, 0x49F215FF, 0x5E56, 0x449E, 0xB9, 0xDC, 0x9B, 0xFF, 0x82,
                     0xF5, 0xE7, 0xC9);

// States GetState reports.
enum SoundPlayerState : INT { kSoundPlaying = 0, kSoundPaused = 1, kSoundStopped = 2 };

// Times are milliseconds; volumes hundredths of a decibel (−10000 … 0); pan
// −10000 (left) … 10000 (right); frequency per mille of the source's rate
// (10 … 2000). Speeds are units per millisecond. Operations that need the
// sound buffer answer E_POINTER when the player has none. The player may be
// called from any one thread at a time; its streaming thread runs beside it.
struct IDirectSoundPlayer3 : public IUnknown {
  virtual ~IDirectSoundPlayer3() = default;

  // Plays `loopCount` passes in all (≤ 0: endlessly), each later pass
  // continuing from `loopStartMs`. From stopped, starts at the position and
  // starts the streaming thread (E_FAIL if it cannot start); from paused,
  // resumes; while a stop is under way, waits for it and starts afresh. A
  // loop start outside the sound is taken as its start or end. Cancels a
  // running fade-out.
  virtual HRESULT Play(INT loopCount, INT loopStartMs) = 0;
  // Pauses; glides and a fade-out jump to their end values.
  virtual HRESULT Pause() = 0;
  // Stops at once, or while playing with `fadeOutSpeed` > 0 fades out and
  // stops when the fade is deep enough. The state turns stopped when the
  // streaming thread has ended.
  virtual HRESULT Stop(FLOAT fadeOutSpeed) = 0;
  // E_INVALIDARG below 0 or past the length. While stopped sets the start
  // position; otherwise the streaming thread seeks on its next pass.
  virtual HRESULT SetPosition(INT ms) = 0;
  virtual HRESULT SetMasterVolume(INT volume) = 0;
  // With `speed` > 0 while playing, glides to `volume`; GetVolume reports
  // the target once the glide has arrived.
  virtual HRESULT SetVolume(INT volume, FLOAT speed) = 0;
  virtual HRESULT SetPan(INT pan, FLOAT speed) = 0;
  virtual HRESULT SetFrequency(INT perMille, FLOAT speed) = 0;
  virtual INT GetState() = 0;
  virtual INT GetLength() = 0;
  // The start position while stopped, the play position while playing.
  virtual INT GetPosition() = 0;
  virtual INT GetLoopCount() = 0;
  virtual INT GetLoopsDone() = 0;
  virtual INT GetMasterVolume() = 0;
  virtual INT GetVolume() = 0;
  virtual INT GetPan() = 0;
  virtual INT GetFrequency() = 0;
  // Copies the PCM format of the source; E_POINTER for null.
  virtual HRESULT GetFormat(WAVEFORMATEX* out) = 0;
  // Decodes `length` bytes of PCM at the current position without disturbing
  // the stream: S_OK with *written = length, S_FINISHED when the end
  // was reached (the rest is silence), E_FAIL on a decoding error.
  virtual HRESULT DecodeTo(void* buffer, DWORD length, DWORD* written) = 0;
  // Asks the streaming thread to end and waits until it has.
  virtual HRESULT WaitForStreamEnd() = 0;
};
