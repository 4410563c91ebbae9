// The resource factory: every resource from the archive first, from a loose
// file of the same name second.
#pragma once

#include "IFileReader.h"
#include "IPackReader.h"

struct IDirect3DDevice9;
struct IDirect3DTexture9;
struct IDirectSound8;
struct IDirectSoundPlayer3;
struct IVeya2;
struct IVeyaShader;

DECLARE_INTERFACE_ID(IPackManager, 0x0C363CE1, 0x4C66, 0x4F4F, 0x9D, 0x29, 0x69, 0x26, 0xE3, 0xD0,
                     0x3B, 0x38);

// Each Open/Load tries the archive (when there is one and it holds the name)
// and falls back to the loose file when that try fails for any reason; the
// loose try's error is the one returned. On failure `*out` is null.
// Main thread.
struct IPackManager : public IUnknown {
  virtual ~IPackManager() = default;

  // A buffered reader with `capacity` bytes of buffer over the named file.
  virtual HRESULT OpenFileReader(IFileReader** out, const char* name, DWORD capacity) = 0;
  // A byte stream over the named file.
  virtual HRESULT OpenFile(IReadAccesser** out, const char* name) = 0;
  // A character scene drawn through `shader` on `device`.
  virtual HRESULT LoadScene(IVeya2** out, IDirect3DDevice9* device, IVeyaShader* shader,
                            const char* name) = 0;
  // A texture from a raw "TEEV" file (archive, then loose) or, last, from any
  // image file the device's image loader reads. When `size` is not null it
  // receives the image's own width and height. E_OUTOFMEMORY, before any
  // allocation, for a raw texture whose square power-of-two texture would
  // take more than 128 MiB.
  virtual HRESULT LoadTexture(IDirect3DTexture9** out, IDirect3DDevice9* device, const char* name,
                              INT size[2]) = 0;
  // A streaming sound player; `type` −1 picks by the name's extension (".wav",
  // ".ogg"), 0 is wave, 1 is Ogg Vorbis.
  virtual HRESULT LoadSound(IDirectSoundPlayer3** out, IDirectSound8* sound, const char* name,
                            INT type) = 0;
  // The archive's reader with a reference for the caller, or null when the
  // manager runs from loose files only.
  virtual IPackReader* GetPackReader() = 0;
};

// Makes the manager; a missing or broken "Data.pac" is not an error (the
// manager then runs from loose files). E_OUTOFMEMORY only.
HRESULT CreatePackManager(IPackManager** out);
