#include "collision/HitTest.h"

#include <algorithm>
#include <cmath>

namespace tavorin::collision {
namespace {

constexpr WORD kNoHit = 0xFFFF;

struct Triangle {
  const D3DXVECTOR3* c[3];
  D3DXVECTOR3 normal;  // (c1 − c0) × (c2 − c0), not normalised
};

// Fetches a triangle's posed corners; false when an index names no vertex
// (the records are public and may have been edited past the vertices).
bool LoadTriangle(const CollisionGeometry& g, const CollisionPolygon& polygon, Triangle* t) {
  for (int i = 0; i < 3; ++i) {
    if (polygon.vertices[i] >= g.vertexCount) return false;
    t->c[i] = &g.vertices[polygon.vertices[i]].position;
  }
  const D3DXVECTOR3 e1 = *t->c[1] - *t->c[0], e2 = *t->c[2] - *t->c[0];
  D3DXVec3Cross(&t->normal, &e1, &e2);
  return true;
}

// The triangle's plane, built as D3DXPlaneFromPoints builds it.
D3DXPLANE PlaneOf(const Triangle& t) {
  D3DXVECTOR3 unit;
  D3DXVec3Normalize(&unit, &t.normal);
  D3DXPLANE plane;
  D3DXPlaneFromPointNormal(&plane, t.c[0], &unit);
  return plane;
}

// Points on an edge count as inside.
bool Inside(const Triangle& t, const D3DXVECTOR3& p) {
  for (int i = 0; i < 3; ++i) {
    const D3DXVECTOR3& a = *t.c[i];
    const D3DXVECTOR3& b = *t.c[(i + 1) % 3];
    const D3DXVECTOR3 edge = b - a, toPoint = p - a;
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &edge, &toPoint);
    if (!(D3DXVec3Dot(&t.normal, &cross) >= 0.0f)) return false;
  }
  return true;
}

bool Finite(const D3DXVECTOR3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The query line, fixed for the whole query.
struct LineQuery {
  D3DXVECTOR3 from, to, dir;
  float length;
  int rangeMode;
};

bool InRange(const LineQuery& q, const D3DXVECTOR3& p) {
  if (q.rangeMode == kCollisionRangeSegment) {
    const D3DXVECTOR3 fromP = p - q.from, toP = p - q.to;
    return D3DXVec3Length(&fromP) <= q.length && D3DXVec3Length(&toP) <= q.length;
  }
  if (q.rangeMode == kCollisionRangeRay) {
    const D3DXVECTOR3 fromP = p - q.from;
    return !(D3DXVec3Dot(&fromP, &q.dir) < 0.0f);
  }
  return true;
}

// Where the query meets the triangle, or false.
bool Meet(const LineQuery& q, const Triangle& t, bool oneSided, D3DXVECTOR3* p) {
  // Cheapest rejection first; every test only skips, so their order does not
  // change the answer.
  if (oneSided && D3DXVec3Dot(&t.normal, &q.dir) > 0.0f) return false;
  const D3DXPLANE plane = PlaneOf(t);
  if (D3DXPlaneIntersectLine(p, &plane, &q.from, &q.to) == nullptr) return false;
  return InRange(q, *p) && Inside(t, *p);
}

}  // namespace

WORD HitTestLine(const CollisionGeometry& g, D3DXVECTOR3* hit, WORD* mesh, WORD* polygon,
                 const D3DXVECTOR3* from, const D3DXVECTOR3* to, int rangeMode, int pickMode) {
  const WORD startMesh = mesh != nullptr ? *mesh : 0;
  const WORD startPolygon = polygon != nullptr ? *polygon : 0;
  if (from == nullptr || to == nullptr || startMesh >= g.meshCount) return kNoHit;
  if (pickMode < kCollisionPickNearest || pickMode > kCollisionPickFirst) return kNoHit;
  LineQuery q{*from, *to, *to - *from, 0.0f, rangeMode};
  q.length = D3DXVec3Length(&q.dir);
  if (!Finite(q.from) || !Finite(q.to) || !std::isfinite(q.length) || q.length == 0.0f) {
    return kNoHit;
  }
  float best = pickMode == kCollisionPickNearest ? 1000000.0f : 0.0f;
  WORD bestMesh = 0, bestPolygon = 0, result = kNoHit;
  bool found = false;
  D3DXVECTOR3 bestPoint(0, 0, 0);
  for (WORD m = startMesh; m < g.meshCount; ++m) {
    const CollisionMesh& current = g.meshes[m];
    if (current.group == nullptr) continue;
    const bool oneSided = current.group->GetSide() == 0;
    for (WORD i = startPolygon; i < current.polygonCount; ++i) {
      Triangle t;
      D3DXVECTOR3 p;
      if (!LoadTriangle(g, current.polygons[i], &t) || !Meet(q, t, oneSided, &p)) continue;
      if (pickMode == kCollisionPickFirst) {
        if (hit != nullptr) *hit = p;
        if (mesh != nullptr) *mesh = m;
        if (polygon != nullptr) *polygon = i;
        return current.group->GetIndex();
      }
      const D3DXVECTOR3 fromP = p - q.from;
      const float d = D3DXVec3Length(&fromP);
      if (pickMode == kCollisionPickNearest ? d < best : d > best) {
        best = d;
        bestPoint = p;
        bestMesh = m;
        bestPolygon = i;
        result = current.group->GetIndex();
        found = true;
      }
    }
  }
  if (!found) return kNoHit;
  if (hit != nullptr) *hit = bestPoint;
  if (mesh != nullptr) *mesh = bestMesh;
  if (polygon != nullptr) *polygon = bestPolygon;
  return result;
}

float ClosestPointOnEdge(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& p,
                         D3DXVECTOR3* out) {
  const D3DXVECTOR3 ba = b - a, pa = p - a, ab = a - b, pb = p - b;
  if (D3DXVec3Dot(&ba, &pa) < 0.0f || D3DXVec3Dot(&ab, &pb) < 0.0f) return -1.0f;
  const float edgeLength = D3DXVec3Length(&ab);
  if (!(edgeLength > 0.0f)) return -1.0f;
  const float pointLength = D3DXVec3Length(&pb);
  if (pointLength == 0.0f) {
    *out = p;
    return 0.0f;
  }
  const D3DXVECTOR3 u = ab / edgeLength, w = pb / pointLength;
  // Rounding can take the cosine just past ±1, where acos has no answer.
  const float theta = std::acos(std::clamp(D3DXVec3Dot(&u, &w), -1.0f, 1.0f));
  const float h = std::sin(theta) * pointLength;
  D3DXVECTOR3 across, toward;
  D3DXVec3Cross(&across, &u, &w);
  D3DXVec3Cross(&toward, &u, &across);
  // A point on the edge's line has no direction towards it; it is its own foot.
  D3DXVec3Normalize(&toward, &toward);
  *out = p + toward * h;
  return h;
}

namespace {

// The best candidate of a sphere query so far.
struct SphereBest {
  D3DXVECTOR3 point{0, 0, 0};
  float distance;
  WORD mesh = 0, polygon = 0, group = kNoHit;
  bool found = false;
};

// Tries the triangle's edges and corners; true when one came within `best`.
bool TakeEdgesAndCorners(const Triangle& t, const D3DXVECTOR3& centre, SphereBest* best) {
  bool taken = false;
  auto offer = [&](float d, const D3DXVECTOR3& point) {
    if (d >= 0.0f && d <= best->distance) {
      best->distance = d;
      best->point = point;
      taken = true;
    }
  };
  for (int i = 0; i < 3; ++i) {
    D3DXVECTOR3 foot;
    const float d = ClosestPointOnEdge(*t.c[(i + 1) % 3], *t.c[i], centre, &foot);
    if (d >= 0.0f) offer(d, foot);
  }
  for (int i = 0; i < 3; ++i) {
    const D3DXVECTOR3 toCorner = *t.c[i] - centre;
    offer(D3DXVec3Length(&toCorner), *t.c[i]);
  }
  return taken;
}

WORD Report(const SphereBest& best, D3DXVECTOR3* nearest, float* distance, WORD* mesh,
            WORD* polygon) {
  if (nearest != nullptr) *nearest = best.point;
  if (distance != nullptr) *distance = best.distance;
  if (mesh != nullptr) *mesh = best.mesh;
  if (polygon != nullptr) *polygon = best.polygon;
  return best.group;
}

}  // namespace

WORD HitTestSphere(const CollisionGeometry& g, D3DXVECTOR3* nearest, float* distance, WORD* mesh,
                   WORD* polygon, const D3DXVECTOR3* centre, float radius, BOOL firstHit) {
  const WORD startMesh = mesh != nullptr ? *mesh : 0;
  const WORD startPolygon = polygon != nullptr ? *polygon : 0;
  if (centre == nullptr || startMesh >= g.meshCount) return kNoHit;
  if (!Finite(*centre) || !(radius >= 0.0f)) return kNoHit;
  const D3DXVECTOR3 c = *centre;
  SphereBest best;
  best.distance = radius;
  for (WORD m = startMesh; m < g.meshCount; ++m) {
    const CollisionMesh& current = g.meshes[m];
    if (current.group == nullptr) continue;
    const bool oneSided = current.group->GetSide() == 0;
    for (WORD i = m == startMesh ? startPolygon : 0; i < current.polygonCount; ++i) {
      Triangle t;
      if (!LoadTriangle(g, current.polygons[i], &t)) continue;
      const D3DXPLANE plane = PlaneOf(t);
      const D3DXVECTOR3 below = c - t.normal;
      D3DXVECTOR3 foot;
      if (D3DXPlaneIntersectLine(&foot, &plane, &c, &below) == nullptr) continue;
      const D3DXVECTOR3 toFoot = foot - c;
      const float d = D3DXVec3Length(&toFoot);
      if (!(d <= radius)) continue;
      if (oneSided && D3DXVec3Dot(&toFoot, &t.normal) > 0.0f) continue;
      SphereBest candidate = best;
      candidate.mesh = m;
      candidate.polygon = i;
      candidate.group = current.group->GetIndex();
      candidate.found = true;
      if (Inside(t, foot)) {
        candidate.point = foot;
        candidate.distance = d;
        if (firstHit) return Report(candidate, nearest, distance, mesh, polygon);
        if (best.distance >= d) best = candidate;
        continue;
      }
      if (!TakeEdgesAndCorners(t, c, &candidate)) continue;
      if (firstHit) return Report(candidate, nearest, distance, mesh, polygon);
      best = candidate;
    }
  }
  if (!best.found) return kNoHit;
  return Report(best, nearest, distance, mesh, polygon);
}

}  // namespace tavorin::collision
