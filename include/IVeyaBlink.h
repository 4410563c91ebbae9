// The blink of a scene: a base and a target layer (open and closed eyes,
// say) and a morph weight that closes and opens at random moments.
#pragma once

#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "KeyTracks.h"
#include "MorphState.h"

DECLARE_INTERFACE_ID(IVeyaBlink, 0x79145326, 0x6791, 0x4599, 0xB5, 0x9B, 0xA1, 0x5F, 0x75, 0x11,
                     0x85, 0xD1);

// The blink's layers travel as two u32: the layer pair (base in the low,
// target in the high 16 bits), then the duration in milliseconds of the
// closing and of the opening half. The cycle runs on the millisecond clock
// (timeGetTime), apart from the scene's frame. A blink takes no locks: use
// it from the thread that draws its scene.
struct IVeyaBlink : public IUnknown {
  virtual ~IVeyaBlink() = default;

  // In kMorphModeFromTrack, takes the layers and duration the track holds at
  // `frame`; otherwise does nothing. S_OK.
  virtual HRESULT SetFrame(INT frame) = 0;
  // Fills `*out` for drawing. Off (modes 0 and above 2): both layers 0xFFFF,
  // the weight left as it was. Otherwise the mode's layer pair and the
  // weight of the blink cycle: while waiting, one chance in ten every 300 ms
  // to start closing; the weight then grows from 0.0 to 1.0 over the
  // duration and falls back over the duration. S_OK, E_POINTER for null.
  virtual HRESULT GetState(MorphState* out) = 0;
  virtual WORD GetMode() = 0;
  // Writes the fixed layer pair and duration to out[0] and out[1].
  // E_POINTER for null.
  virtual HRESULT GetLayers(DWORD* out) = 0;
  // The keyed layers and durations (frame → {base, target, duration}), for
  // reading and editing; valid while the blink lives.
  virtual PairTrack* GetTrack() = 0;
  // A MorphMode; other values are kept and act as off.
  virtual HRESULT SetMode(WORD mode) = 0;
  // Sets the fixed layer pair and duration from layers[0] and layers[1].
  // E_POINTER for null.
  virtual HRESULT SetLayers(const DWORD* layers) = 0;
  // Starts closing now, unless the blink is off. S_OK.
  virtual HRESULT StartBlink() = 0;
  // The "BLNK" payload: 26 bytes, plus the stored track (54 bytes + 12 per
  // key) when it has keys, or 36 bytes when it has none but its switch or
  // default was changed. With a null writer only its size. E_POINTER for a
  // null `size`.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
};

// Makes a blink that is off, with layers 0, 0, duration 0 and a track
// without keys; with a reader, reads the "BLNK" payload of `length` bytes
// and reports the bytes read in `*consumed` (on failure too; `consumed` may
// be null without a reader). On failure `*out` is null: E_FAIL for a
// malformed payload, E_OUTOFMEMORY, E_POINTER.
HRESULT CreateBlink(IVeyaBlink** out, IFileReader* reader, DWORD length, DWORD* consumed);
