// The "LYER" payload: a layer's stored form inside a scene file.
#pragma once

#include <d3d9.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "scene/LayerState.h"

namespace tavorin::scene {

// Reads a payload of `length` bytes into `state`, creating mesh buffers on
// `device`; `*consumed` receives the bytes read, which never exceed
// `length`. The errors of CreateLayer. On failure `state` may hold part of
// the payload, every resource of it owned by `state`.
HRESULT ReadLayerPayload(IFileReader* reader, DWORD length, IDirect3DDevice9* device,
                         LayerState& state, DWORD* consumed);

// Writes the payload of `state`, or with a null writer only computes its
// size; `*size` receives the bytes written or the size.
HRESULT SerializeLayerPayload(const LayerState& state, IFileWriter* writer, DWORD* size);

}  // namespace tavorin::scene
