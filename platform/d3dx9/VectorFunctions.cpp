// D3DX vector transforms and normalisation, in plain C++.
#include <d3dx9math.h>

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  FLOAT length = D3DXVec3Length(v);
  *out = length > 0.0f ? *v / length : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 point(*v, 1.0f);
  return D3DXVec4Transform(out, &point, m);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r;
  D3DXVec3Transform(&r, v, m);
  *out = D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
  return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR3 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31,
                v->x * m->_12 + v->y * m->_22 + v->z * m->_32,
                v->x * m->_13 + v->y * m->_23 + v->z * m->_33);
  *out = r;
  return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r;
  FLOAT* target = r;
  for (int col = 0; col < 4; ++col) {
    target[col] =
        v->x * m->m[0][col] + v->y * m->m[1][col] + v->z * m->m[2][col] + v->w * m->m[3][col];
  }
  *out = r;
  return out;
}

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view,
                             const D3DXMATRIX* world) {
  D3DXMATRIX combined;
  D3DXMatrixIdentity(&combined);
  if (world != nullptr) combined *= *world;
  if (view != nullptr) combined *= *view;
  if (projection != nullptr) combined *= *projection;
  D3DXVECTOR3 clip;
  D3DXVec3TransformCoord(&clip, v, &combined);
  if (viewport == nullptr) {
    *out = clip;
    return out;
  }
  *out = D3DXVECTOR3(viewport->X + (1.0f + clip.x) * viewport->Width * 0.5f,
                     viewport->Y + (1.0f - clip.y) * viewport->Height * 0.5f,
                     viewport->MinZ + clip.z * (viewport->MaxZ - viewport->MinZ));
  return out;
}
