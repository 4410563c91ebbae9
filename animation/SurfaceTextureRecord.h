// The stored form of a surface texture: a run of "NAME", "SIZE" and pixel
// sub-chunks inside a "TEX " or "TTEX" sub-chunk.
#pragma once

#include "IFileWriter.h"
#include "animation/SurfaceRunReader.h"
#include "animation/SurfaceTextureEntry.h"
#include "pack/TextureBudget.h"

// Reads one texture record (the whole of `record`) into `entry`, creating its
// texture on `device` and taking its memory from `budget`. E_FAIL when the
// record is malformed: pixels before "SIZE", pixels that do not fit in the
// record, a record without "SIZE"; E_OUTOFMEMORY when the texture exceeds
// what is left of the budget; the device's error when the texture cannot be
// created or locked.
HRESULT ReadSurfaceTextureRecord(SurfaceRunReader& record, IDirect3DDevice9* device,
                                 SurfaceTextureEntry& entry, tavorin::pack::TextureBudget& budget);

// Writes the record of `entry` (its texture's full top level), or with a null
// writer only computes its length. `*size` receives the bytes written or the
// length. E_FAIL for an entry without a texture or a record beyond 4 GiB.
HRESULT SerializeSurfaceTextureRecord(const SurfaceTextureEntry& entry, IFileWriter* writer,
                                      DWORD* size);
