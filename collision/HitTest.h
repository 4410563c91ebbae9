// The line and sphere queries of a collision layer, over its posed vertices
// and its meshes.
#pragma once

#include "IVeyaCollisionLayer.h"

namespace tavorin::collision {

// A read-only view of a layer's geometry.
struct CollisionGeometry {
  const CollisionVertex* vertices;
  WORD vertexCount;
  const CollisionMesh* meshes;
  WORD meshCount;
};

// See IVeyaCollisionLayer::HitTest.
WORD HitTestLine(const CollisionGeometry& geometry, D3DXVECTOR3* hit, WORD* mesh, WORD* polygon,
                 const D3DXVECTOR3* from, const D3DXVECTOR3* to, int rangeMode, int pickMode);
// See IVeyaCollisionLayer::HitTestSphere.
WORD HitTestSphere(const CollisionGeometry& geometry, D3DXVECTOR3* nearest, float* distance,
                   WORD* mesh, WORD* polygon, const D3DXVECTOR3* centre, float radius,
                   BOOL firstHit);
// The foot of the perpendicular from `p` on the edge from `a` to `b` in
// `*out`, and its distance from `p`; −1 when the foot lies outside the edge
// or the edge has no length (`*out` untouched then).
float ClosestPointOnEdge(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& p,
                         D3DXVECTOR3* out);

}  // namespace tavorin::collision
