// The "SURF" payload: a surface's stored form inside a scene file.
#pragma once

#include "IFileWriter.h"
#include "animation/SurfaceRunReader.h"
#include "animation/SurfaceState.h"

// Reads the whole of `run` into `state`, creating textures on `device`.
// E_FAIL for a malformed payload (a sub-chunk larger than what remains, a
// texture record out of place or beyond the announced count, a second "TEXN",
// an announced texture that never came), E_OUTOFMEMORY, or the device's
// error. `run.Consumed()` never exceeds the run's length.
HRESULT ReadSurfacePayload(SurfaceRunReader& run, IDirect3DDevice9* device, SurfaceState& state);

// Writes the payload of `state`, or with a null writer only computes its
// size; `*size` receives the bytes written or the size. The first failing
// track or texture record ends writing with its error.
HRESULT SerializeSurfacePayload(const SurfaceState& state, IFileWriter* writer, DWORD* size);
