// A scene light: a placeholder without data, kept so that a scene's light
// chunks survive loading and saving.
#pragma once

#include <windows.h>

#include "IFileWriter.h"

DECLARE_INTERFACE_ID(IVeyaLight, 0xC0476219, 0x9817, 0x4C2C, 0xBF, 0x56, 0x81, 0x48, 0x88, 0xF7,
                     0xA3, 0x5E);

struct IVeyaLight : public IUnknown {
  virtual ~IVeyaLight() = default;

  // The "LIGT" payload is empty: `*size` becomes 0 and nothing is written.
  // E_POINTER for a null `size`.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
};

// Makes a light with one reference in `*out`; E_OUTOFMEMORY (with `*out`
// null) or E_POINTER. A light reads nothing: the scene loader skips its
// chunk's payload itself.
HRESULT CreateLight(IVeyaLight** out);
