// The "CLAY" payload: a collision layer's stored form inside a scene file.
#pragma once

#include "animation/TrackIo.h"
#include "collision/CollisionLayer.h"

namespace tavorin::collision {

// Reads the whole of `in` into the empty `layer`. Mesh group indices name
// entries of `groups` below `groupCount` (0xFFFF: no group); bone indices
// are kept and bound at once where the entry answers IVeyaMotion. E_FAIL for
// a malformed payload, E_OUTOFMEMORY; `in.Consumed()` never passes its length.
HRESULT ReadCollisionLayerPayload(animation::RunReader& in, CVeyaCollisionLayer& layer,
                                  IVeyaCollisionGroup** groups, WORD groupCount);

// Writes the payload of `layer`; with a null writer only counts it.
// Returns the bytes written or counted.
DWORD WriteCollisionLayerPayload(CVeyaCollisionLayer& layer, IFileWriter* writer);

}  // namespace tavorin::collision
