// D3DX plane construction and intersection, in plain C++.
#include <d3dx9math.h>

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
  FLOAT length = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
  *out = length > 0.0f ? *p / length : D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
  return out;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point,
                                    const D3DXVECTOR3* normal) {
  *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(point, normal));
  return out;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                               const D3DXVECTOR3* p3) {
  D3DXVECTOR3 edge1 = *p2 - *p1, edge2 = *p3 - *p1, normal;
  D3DXVec3Cross(&normal, &edge1, &edge2);
  D3DXVec3Normalize(&normal, &normal);
  return D3DXPlaneFromPointNormal(out, p1, &normal);
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* plane, const D3DXVECTOR3* p1,
                                    const D3DXVECTOR3* p2) {
  D3DXVECTOR3 direction = *p2 - *p1;
  FLOAT denominator = D3DXPlaneDotNormal(plane, &direction);
  if (denominator == 0.0f) return nullptr;
  FLOAT t = -D3DXPlaneDotCoord(plane, p1) / denominator;
  // A line that is parallel but for rounding would meet the plane at infinity.
  if (!std::isfinite(t)) return nullptr;
  *out = *p1 + direction * t;
  return out;
}
