// D3DX quaternion arithmetic, in plain C++.
#include <d3dx9math.h>

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  FLOAT length = D3DXQuaternionLength(q);
  *out = length > 0.0f ? *q / length : D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
  return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                       const D3DXQUATERNION* b) {
  // Hamilton product b·a, so that a's rotation comes first as with matrices.
  D3DXQUATERNION r(b->w * a->x + b->x * a->w + b->y * a->z - b->z * a->y,
                   b->w * a->y - b->x * a->z + b->y * a->w + b->z * a->x,
                   b->w * a->z + b->x * a->y - b->y * a->x + b->z * a->w,
                   b->w * a->w - b->x * a->x - b->y * a->y - b->z * a->z);
  *out = r;
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis,
                                           FLOAT angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  FLOAT s = std::sin(angle * 0.5f);
  *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle * 0.5f));
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch,
                                                   FLOAT roll) {
  D3DXQUATERNION rollQ(0.0f, 0.0f, std::sin(roll * 0.5f), std::cos(roll * 0.5f));
  D3DXQUATERNION pitchQ(std::sin(pitch * 0.5f), 0.0f, 0.0f, std::cos(pitch * 0.5f));
  D3DXQUATERNION yawQ(0.0f, std::sin(yaw * 0.5f), 0.0f, std::cos(yaw * 0.5f));
  *out = rollQ * pitchQ * yawQ;
  return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, FLOAT t) {
  FLOAT cosine = D3DXQuaternionDot(a, b);
  D3DXQUATERNION target = *b;
  // q and −q are the same rotation; flipping keeps the path on the short arc.
  if (cosine < 0.0f) {
    cosine = -cosine;
    target = -target;
  }
  FLOAT wa = 1.0f - t, wb = t;
  // Nearly equal rotations: the sine below vanishes, and a linear blend is
  // indistinguishable from the arc.
  if (cosine < 0.9999f) {
    FLOAT angle = std::acos(cosine);
    FLOAT sine = std::sin(angle);
    wa = std::sin((1.0f - t) * angle) / sine;
    wb = std::sin(t * angle) / sine;
  }
  *out = *a * wa + target * wb;
  return out;
}
