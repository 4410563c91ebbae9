// Turning the drawable geometry of a scene layer into a collision layer.
#pragma once

#include "IVeyaCollisionLayer.h"
#include "IVeyaLayer.h"
#include "IVeyaSurface.h"
#include "scene/SceneTable.h"

namespace tavorin::scene {

// The scene tables the conversion reads, and the group table it extends.
struct CollisionSources {
  const SceneTable<IVeyaSurface>& surfaces;
  const SceneTable<IVeyaMotion>& motions;
  SceneTable<IVeyaCollisionGroup>& groups;
};

// Makes a collision layer with the layer's name, every mesh vertex skinned to
// the motions its registers name through the layer's links, and one
// collision mesh per layer mesh with the same triangles, in the group whose
// id is the mesh surface's index (created from the surface when none has
// it). On success `*out` holds the new layer; on failure it is null, while
// groups added before the failure stay in the table. E_FAIL for a register
// outside 0-77, a surface index outside the table, a triangle naming a
// missing vertex, buffers smaller than their counts or more than 65,535
// vertices in all; E_OUTOFMEMORY; a buffer's lock error.
HRESULT BuildCollisionLayer(IVeyaLayer* layer, const CollisionSources& sources,
                            IVeyaCollisionLayer** out);

}  // namespace tavorin::scene
