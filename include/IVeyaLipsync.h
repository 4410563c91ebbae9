// The lip-sync of a scene: a base and a target layer (a closed and an open
// mouth, say) and a morph weight that follows the loudness of a playing
// sound player.
#pragma once

#include <windows.h>

#include "IDirectSoundPlayer3.h"
#include "IFileReader.h"
#include "IFileWriter.h"
#include "KeyTracks.h"
#include "MorphState.h"

DECLARE_INTERFACE_ID(IVeyaLipsync, 0x82D13401, 0xD9AE, 0x45AB, 0x9D, 0xAE, 0xE0, 0x10, 0xD6, 0x8B,
                     0xF0, 0x49);

// Layer pairs travel as one u32: the base layer in the low, the target layer
// in the high 16 bits. The weight runs on the millisecond clock
// (timeGetTime), apart from the scene's frame. A lip-sync takes no locks:
// use it from the thread that draws its scene; the player it reads is safe
// to drive from elsewhere.
struct IVeyaLipsync : public IUnknown {
  virtual ~IVeyaLipsync() = default;

  // In kMorphModeFromTrack, takes the layer pair the track holds at `frame`;
  // otherwise does nothing. S_OK.
  virtual HRESULT SetFrame(INT frame) = 0;
  // Fills `*out` for drawing. Off (modes 0 and above 2): both layers 0xFFFF,
  // the weight left as it was. Otherwise the mode's layer pair and the
  // weight, which moves toward the mouth's target by at most 0.012 per
  // millisecond opening and 0.007 closing since the last call. S_OK,
  // E_POINTER for null.
  virtual HRESULT GetState(MorphState* out) = 0;
  // Non-zero when the lip-sync takes part in drawing.
  virtual WORD GetMode() = 0;
  // The fixed layer pair. E_POINTER for null.
  virtual HRESULT GetLayers(DWORD* out) = 0;
  // The keyed layer pairs (frame → pair), for reading and editing; valid
  // while the lip-sync lives.
  virtual StepTrack* GetTrack() = 0;
  // A MorphMode; other values are kept and act as off.
  virtual HRESULT SetMode(WORD mode) = 0;
  // Sets the fixed layer pair from `*layers`. E_POINTER for null.
  virtual HRESULT SetLayers(const DWORD* layers) = 0;
  // Reads loudness from `player` (null: none) from now on, holding a
  // reference and releasing the previous player first. E_FAIL (and no
  // player) when its samples are not 8- or 16-bit PCM; its GetFormat error
  // or E_OUTOFMEMORY likewise. The weight's next step is measured from this
  // call.
  virtual HRESULT SetSoundPlayer(IDirectSoundPlayer3* player) = 0;
  // The loudness, in hundredths of a decibel, at which the mouth opens
  // fully: the lower, the sooner (default -10000). Without a player it is
  // also the level measured, so the mouth stays closed.
  virtual HRESULT SetOpenLevel(INT level) = 0;
  // The "LIPS" payload: 22 bytes, plus the stored track (50 bytes + 8 per
  // key) when it has keys, or 32 bytes when it has none but its switch or
  // default was changed. With a null writer only its size. E_POINTER for a
  // null `size`.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
};

// Makes a lip-sync that is off, with layers 0, 0 and a track without keys;
// with a reader, reads the "LIPS" payload of `length` bytes and reports the
// bytes read in `*consumed` (on failure too; `consumed` may be null without
// a reader). On failure `*out` is null: E_FAIL for a malformed payload,
// E_OUTOFMEMORY, E_POINTER.
HRESULT CreateLipsync(IVeyaLipsync** out, IFileReader* reader, DWORD length, DWORD* consumed);
