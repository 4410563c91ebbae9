// One hit area of a scene: the identifier, table index, name, sidedness and
// display colour shared by every collision mesh that belongs to it.
#pragma once

#include <d3dx9math.h>
#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"

DECLARE_INTERFACE_ID(IVeyaCollisionGroup, 0x10AE571C, 0x8963, 0x4B5C, 0x9D, 0xAA, 0x12, 0xB9, 0x3D,
                     0x7B, 0x27, 0xCA);

// A group takes no locks: use it from the thread that drives its scene.
struct IVeyaCollisionGroup : public IUnknown {
  virtual ~IVeyaCollisionGroup() = default;

  // The identifier stored in the scene file; the scene matches it against
  // surface indices when it builds collision geometry.
  virtual WORD GetId() = 0;
  // Position in the scene's group table; the hit tests answer with it.
  virtual WORD GetIndex() = 0;
  // The name, owned by the group and valid until it changes; null if none.
  virtual const char* GetName() = 0;
  // 0: triangles are hit only from the side their normal points to;
  // anything else: from both sides.
  virtual BYTE GetSide() = 0;
  // Copies the colour (red, green, blue, alpha) into `*out` and returns
  // `out`; a null `out` is returned as it is.
  virtual D3DXCOLOR* GetColor(D3DXCOLOR* out) = 0;
  virtual void SetIndex(WORD index) = 0;
  // Copies `name`. E_OUTOFMEMORY or E_POINTER (null) keep the old name.
  virtual HRESULT SetName(const char* name) = 0;
  virtual void SetSide(BYTE side) = 0;
  // A null `color` is ignored.
  virtual void SetColor(const D3DXCOLOR* color) = 0;
  // Writes the "CGRP" payload (a group without a name writes an empty one),
  // or with a null writer only reports its size: name length + 52. `*size`
  // receives the bytes written or the size. E_POINTER for a null `size`.
  virtual HRESULT Serialize(IFileWriter* writer, DWORD* size) = 0;
};

// Makes a group with identifier `id` and table index `index`, no name, side 0
// and colour (1, 1, 1, 1); with a reader, then reads a "CGRP" payload of
// `length` bytes from it and reports the bytes read in `*consumed` (may be
// null; on failure too). On failure `*out` is null: E_FAIL for a malformed
// payload (a sub-chunk running past the payload or shorter than its field, a
// name without its terminating zero), E_OUTOFMEMORY, E_POINTER.
HRESULT CreateCollisionGroup(IVeyaCollisionGroup** out, WORD id, WORD index, IFileReader* reader,
                             DWORD length, DWORD* consumed);
