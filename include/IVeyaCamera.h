// A scene camera: a named vertical field of view placed by one motion of
// the scene.
#pragma once

#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"

DECLARE_INTERFACE_ID(IVeyaCamera, 0x997379CF, 0xC2BD, 0x484A, 0xAF, 0x90, 0xE8, 0xF7, 0xB3, 0xBE,
                     0x14, 0x7A);

// A camera takes no locks: use it from the thread that drives its scene.
struct IVeyaCamera : public IUnknown {
  virtual ~IVeyaCamera() = default;

  // Copies `name`; the old name goes only once the copy exists
  // (E_OUTOFMEMORY keeps it). Null removes the name.
  virtual HRESULT SetName(const char* name) = 0;
  // Vertical field of view in radians.
  virtual HRESULT SetFov(FLOAT fovy) = 0;
  // Index of the motion in the scene's table whose skin matrix places the
  // camera; -1 for none.
  virtual HRESULT SetMotionIndex(SHORT index) = 0;
  // The name, owned by the camera and valid until it changes; null if none.
  virtual const char* GetName() = 0;
  virtual FLOAT GetFov() = 0;
  virtual SHORT GetMotionIndex() = 0;
  // The "CAM " payload (31 bytes + the name's length); with a null writer
  // only its size. A camera without a name is stored with an empty one and
  // reads back without one. E_POINTER for a null `size`.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
};

// Makes a camera with no name, a field of view of π/3 and no motion; with a
// reader, reads the "CAM " payload of `length` bytes from it and reports the
// bytes read in `*consumed` (on failure too). On failure `*out` is null:
// E_FAIL for a malformed payload (a field shorter than its value, a
// sub-chunk past the payload, a name without its terminating zero),
// E_OUTOFMEMORY, E_POINTER for a reader without `consumed`.
HRESULT CreateCamera(IVeyaCamera** out, IFileReader* reader, DWORD length, DWORD* consumed);
