// D3DX matrix construction and arithmetic, in plain C++ (row vectors).
#include <d3dx9math.h>

namespace {

D3DXMATRIX* Store(D3DXMATRIX* out, const D3DXMATRIX& value) {
  *out = value;
  return out;
}

// The view matrix whose rows hold the camera axes as columns.
D3DXMATRIX* LookAt(D3DXMATRIX* out, const D3DXVECTOR3& eye, const D3DXVECTOR3& forward,
                   const D3DXVECTOR3& up) {
  D3DXVECTOR3 zAxis, xAxis, yAxis, upCrossZ;
  D3DXVec3Normalize(&zAxis, &forward);
  D3DXVec3Normalize(&xAxis, D3DXVec3Cross(&upCrossZ, &up, &zAxis));
  D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
  return Store(out, D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f,  //
                               xAxis.y, yAxis.y, zAxis.y, 0.0f,  //
                               xAxis.z, yAxis.z, zAxis.z, 0.0f,  //
                               -D3DXVec3Dot(&xAxis, &eye), -D3DXVec3Dot(&yAxis, &eye),
                               -D3DXVec3Dot(&zAxis, &eye), 1.0f));
}

// The 3×3 minor of m without `row` and `col`.
FLOAT Minor(const D3DXMATRIX& m, int row, int col) {
  FLOAT v[9];
  int n = 0;
  for (int r = 0; r < 4; ++r) {
    if (r == row) continue;
    for (int c = 0; c < 4; ++c) {
      if (c != col) v[n++] = m.m[r][c];
    }
  }
  return v[0] * (v[4] * v[8] - v[5] * v[7]) - v[1] * (v[3] * v[8] - v[5] * v[6]) +
         v[2] * (v[3] * v[7] - v[4] * v[6]);
}

}  // namespace

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  return Store(out, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
  D3DXMATRIX identity;
  return *m == *D3DXMatrixIdentity(&identity);
}

FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* m) {
  FLOAT det = 0.0f;
  for (int col = 0; col < 4; ++col) {
    FLOAT term = m->m[0][col] * Minor(*m, 0, col);
    det += (col % 2 == 0) ? term : -term;
  }
  return det;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m) {
  FLOAT det = D3DXMatrixDeterminant(m);
  if (determinant != nullptr) *determinant = det;
  if (det == 0.0f || !std::isfinite(det)) return nullptr;
  D3DXMATRIX inverse;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      // The adjugate is the transposed cofactor matrix.
      FLOAT cofactor = Minor(*m, col, row);
      inverse.m[row][col] = ((row + col) % 2 == 0 ? cofactor : -cofactor) / det;
    }
  }
  return Store(out, inverse);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX t;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) t.m[row][col] = m->m[col][row];
  }
  return Store(out, t);
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z) {
  return Store(out, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1));
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz) {
  return Store(out, D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1));
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle) {
  FLOAT c = std::cos(angle), s = std::sin(angle);
  return Store(out, D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1));
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle) {
  FLOAT c = std::cos(angle), s = std::sin(angle);
  return Store(out, D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1));
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle) {
  FLOAT c = std::cos(angle), s = std::sin(angle);
  return Store(out, D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll) {
  D3DXMATRIX rollM, pitchM, yawM;
  D3DXMatrixRotationZ(&rollM, roll);
  D3DXMatrixRotationX(&pitchM, pitch);
  D3DXMatrixRotationY(&yawM, yaw);
  return Store(out, rollM * pitchM * yawM);
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  FLOAT c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  return Store(
      out, D3DXMATRIX(t * v.x * v.x + c, t * v.x * v.y + s * v.z, t * v.x * v.z - s * v.y, 0.0f,  //
                      t * v.x * v.y - s * v.z, t * v.y * v.y + c, t * v.y * v.z + s * v.x, 0.0f,  //
                      t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x, t * v.z * v.z + c, 0.0f,  //
                      0.0f, 0.0f, 0.0f, 1.0f));
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  FLOAT x = q->x, y = q->y, z = q->z, w = q->w;
  return Store(out, D3DXMATRIX(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w),
                               0.0f,  //
                               2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                               0.0f,  //
                               2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y),
                               0.0f,  //
                               0.0f, 0.0f, 0.0f, 1.0f));
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX product;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      product.m[row][col] = a->m[row][0] * b->m[0][col] + a->m[row][1] * b->m[1][col] +
                            a->m[row][2] * b->m[2][col] + a->m[row][3] * b->m[3][col];
    }
  }
  return Store(out, product);
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  return LookAt(out, *eye, *at - *eye, *up);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  return LookAt(out, *eye, *eye - *at, *up);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovY, FLOAT aspect, FLOAT zNear,
                                       FLOAT zFar) {
  FLOAT yScale = 1.0f / std::tan(fovY * 0.5f), xScale = yScale / aspect;
  FLOAT q = zFar / (zFar - zNear);
  return Store(out, D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, 1, 0, 0, -zNear * q, 0));
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovY, FLOAT aspect, FLOAT zNear,
                                       FLOAT zFar) {
  FLOAT yScale = 1.0f / std::tan(fovY * 0.5f), xScale = yScale / aspect;
  FLOAT q = zFar / (zNear - zFar);
  return Store(out, D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, -1, 0, 0, zNear * q, 0));
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar) {
  return Store(out, D3DXMATRIX(2.0f / width, 0, 0, 0, 0, 2.0f / height, 0, 0, 0, 0,
                               1.0f / (zFar - zNear), 0, 0, 0, zNear / (zNear - zFar), 1));
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar) {
  return Store(out, D3DXMATRIX(2.0f / width, 0, 0, 0, 0, 2.0f / height, 0, 0, 0, 0,
                               1.0f / (zNear - zFar), 0, 0, 0, zNear / (zNear - zFar), 1));
}
