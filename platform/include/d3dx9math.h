// D3DX 9 vector, matrix, quaternion, plane and colour arithmetic, in plain
// C++ on the CPU. Conventions are D3DX's: row vectors, a point transforms as
// p × M, A × B applies A first, left-handed rotations, angles in radians.
// Every function returns its out-pointer so calls can be nested, except
// where a result may not exist (D3DXMatrixInverse, D3DXPlaneIntersectLine),
// which return null instead.
#pragma once

#include <cmath>

#include "d3d9types.h"

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

struct D3DXVECTOR2 {
  D3DXVECTOR2() = default;
  explicit D3DXVECTOR2(const FLOAT* v) : x(v[0]), y(v[1]) {}
  D3DXVECTOR2(FLOAT vx, FLOAT vy) : x(vx), y(vy) {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR2& operator+=(const D3DXVECTOR2& v) {
    x += v.x;
    y += v.y;
    return *this;
  }
  D3DXVECTOR2& operator-=(const D3DXVECTOR2& v) {
    x -= v.x;
    y -= v.y;
    return *this;
  }
  D3DXVECTOR2& operator*=(FLOAT s) {
    x *= s;
    y *= s;
    return *this;
  }
  D3DXVECTOR2& operator/=(FLOAT s) {
    x /= s;
    y /= s;
    return *this;
  }

  D3DXVECTOR2 operator+() const { return *this; }
  D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }
  D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
  D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
  D3DXVECTOR2 operator*(FLOAT s) const { return D3DXVECTOR2(x * s, y * s); }
  D3DXVECTOR2 operator/(FLOAT s) const { return D3DXVECTOR2(x / s, y / s); }
  friend D3DXVECTOR2 operator*(FLOAT s, const D3DXVECTOR2& v) { return v * s; }

  bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }

  FLOAT x, y;
};

struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() = default;
  explicit D3DXVECTOR3(const FLOAT* v) : D3DVECTOR{v[0], v[1], v[2]} {}
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
  D3DXVECTOR3(FLOAT vx, FLOAT vy, FLOAT vz) : D3DVECTOR{vx, vy, vz} {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
  }
  D3DXVECTOR3& operator*=(FLOAT s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  D3DXVECTOR3& operator/=(FLOAT s) {
    x /= s;
    y /= s;
    z /= s;
    return *this;
  }

  D3DXVECTOR3 operator+() const { return *this; }
  D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const {
    return D3DXVECTOR3(x + v.x, y + v.y, z + v.z);
  }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const {
    return D3DXVECTOR3(x - v.x, y - v.y, z - v.z);
  }
  D3DXVECTOR3 operator*(FLOAT s) const { return D3DXVECTOR3(x * s, y * s, z * s); }
  D3DXVECTOR3 operator/(FLOAT s) const { return D3DXVECTOR3(x / s, y / s, z / s); }
  friend D3DXVECTOR3 operator*(FLOAT s, const D3DXVECTOR3& v) { return v * s; }

  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
  D3DXVECTOR4() = default;
  explicit D3DXVECTOR4(const FLOAT* v) : x(v[0]), y(v[1]), z(v[2]), w(v[3]) {}
  D3DXVECTOR4(const D3DVECTOR& v, FLOAT vw) : x(v.x), y(v.y), z(v.z), w(vw) {}
  D3DXVECTOR4(FLOAT vx, FLOAT vy, FLOAT vz, FLOAT vw) : x(vx), y(vy), z(vz), w(vw) {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXVECTOR4& operator+=(const D3DXVECTOR4& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    w += v.w;
    return *this;
  }
  D3DXVECTOR4& operator-=(const D3DXVECTOR4& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    w -= v.w;
    return *this;
  }
  D3DXVECTOR4& operator*=(FLOAT s) {
    x *= s;
    y *= s;
    z *= s;
    w *= s;
    return *this;
  }
  D3DXVECTOR4& operator/=(FLOAT s) {
    x /= s;
    y /= s;
    z /= s;
    w /= s;
    return *this;
  }

  D3DXVECTOR4 operator+() const { return *this; }
  D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }
  D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const {
    return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w);
  }
  D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const {
    return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w);
  }
  D3DXVECTOR4 operator*(FLOAT s) const { return D3DXVECTOR4(x * s, y * s, z * s, w * s); }
  D3DXVECTOR4 operator/(FLOAT s) const { return D3DXVECTOR4(x / s, y / s, z / s, w / s); }
  friend D3DXVECTOR4 operator*(FLOAT s, const D3DXVECTOR4& v) { return v * s; }

  bool operator==(const D3DXVECTOR4& v) const {
    return x == v.x && y == v.y && z == v.z && w == v.w;
  }
  bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }

  FLOAT x, y, z, w;
};

struct D3DXMATRIX;
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);

struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() = default;
  explicit D3DXMATRIX(const FLOAT* v) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = v[i];
  }
  D3DXMATRIX(const D3DMATRIX& other) : D3DMATRIX(other) {}
  D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
             FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43,
             FLOAT f44) {
    _11 = f11;
    _12 = f12;
    _13 = f13;
    _14 = f14;
    _21 = f21;
    _22 = f22;
    _23 = f23;
    _24 = f24;
    _31 = f31;
    _32 = f32;
    _33 = f33;
    _34 = f34;
    _41 = f41;
    _42 = f42;
    _43 = f43;
    _44 = f44;
  }

  FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
  FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }
  operator FLOAT*() { return &_11; }
  operator const FLOAT*() const { return &_11; }

  D3DXMATRIX& operator*=(const D3DXMATRIX& other) {
    D3DXMATRIX left(*this);
    D3DXMatrixMultiply(this, &left, &other);
    return *this;
  }
  D3DXMATRIX& operator+=(const D3DXMATRIX& other) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] += other.m[i / 4][i % 4];
    return *this;
  }
  D3DXMATRIX& operator-=(const D3DXMATRIX& other) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] -= other.m[i / 4][i % 4];
    return *this;
  }
  D3DXMATRIX& operator*=(FLOAT s) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] *= s;
    return *this;
  }
  D3DXMATRIX& operator/=(FLOAT s) { return *this *= 1.0f / s; }

  D3DXMATRIX operator+() const { return *this; }
  D3DXMATRIX operator-() const { return *this * -1.0f; }
  D3DXMATRIX operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, this, &other);
    return product;
  }
  D3DXMATRIX operator+(const D3DXMATRIX& other) const { return D3DXMATRIX(*this) += other; }
  D3DXMATRIX operator-(const D3DXMATRIX& other) const { return D3DXMATRIX(*this) -= other; }
  D3DXMATRIX operator*(FLOAT s) const { return D3DXMATRIX(*this) *= s; }
  D3DXMATRIX operator/(FLOAT s) const { return D3DXMATRIX(*this) /= s; }
  friend D3DXMATRIX operator*(FLOAT s, const D3DXMATRIX& other) { return other * s; }

  bool operator==(const D3DXMATRIX& other) const {
    for (int i = 0; i < 16; ++i) {
      if (m[i / 4][i % 4] != other.m[i / 4][i % 4]) return false;
    }
    return true;
  }
  bool operator!=(const D3DXMATRIX& other) const { return !(*this == other); }
};
typedef D3DXMATRIX* LPD3DXMATRIX;

struct D3DXQUATERNION;
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                       const D3DXQUATERNION* b);

struct D3DXQUATERNION {
  D3DXQUATERNION() = default;
  explicit D3DXQUATERNION(const FLOAT* v) : x(v[0]), y(v[1]), z(v[2]), w(v[3]) {}
  D3DXQUATERNION(FLOAT qx, FLOAT qy, FLOAT qz, FLOAT qw) : x(qx), y(qy), z(qz), w(qw) {}

  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }

  D3DXQUATERNION& operator+=(const D3DXQUATERNION& q) {
    x += q.x;
    y += q.y;
    z += q.z;
    w += q.w;
    return *this;
  }
  D3DXQUATERNION& operator-=(const D3DXQUATERNION& q) {
    x -= q.x;
    y -= q.y;
    z -= q.z;
    w -= q.w;
    return *this;
  }
  // Like D3DXQuaternionMultiply: the rotation of *this followed by q's.
  D3DXQUATERNION& operator*=(const D3DXQUATERNION& q) {
    D3DXQUATERNION left(*this);
    D3DXQuaternionMultiply(this, &left, &q);
    return *this;
  }
  D3DXQUATERNION& operator*=(FLOAT s) {
    x *= s;
    y *= s;
    z *= s;
    w *= s;
    return *this;
  }
  D3DXQUATERNION& operator/=(FLOAT s) { return *this *= 1.0f / s; }

  D3DXQUATERNION operator+() const { return *this; }
  D3DXQUATERNION operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }
  D3DXQUATERNION operator+(const D3DXQUATERNION& q) const { return D3DXQUATERNION(*this) += q; }
  D3DXQUATERNION operator-(const D3DXQUATERNION& q) const { return D3DXQUATERNION(*this) -= q; }
  D3DXQUATERNION operator*(const D3DXQUATERNION& q) const { return D3DXQUATERNION(*this) *= q; }
  D3DXQUATERNION operator*(FLOAT s) const { return D3DXQUATERNION(*this) *= s; }
  D3DXQUATERNION operator/(FLOAT s) const { return D3DXQUATERNION(*this) /= s; }
  friend D3DXQUATERNION operator*(FLOAT s, const D3DXQUATERNION& q) { return q * s; }

  bool operator==(const D3DXQUATERNION& q) const {
    return x == q.x && y == q.y && z == q.z && w == q.w;
  }
  bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }

  FLOAT x, y, z, w;
};

// The plane a·x + b·y + c·z + d = 0; (a, b, c) is its normal.
struct D3DXPLANE {
  D3DXPLANE() = default;
  explicit D3DXPLANE(const FLOAT* v) : a(v[0]), b(v[1]), c(v[2]), d(v[3]) {}
  D3DXPLANE(FLOAT pa, FLOAT pb, FLOAT pc, FLOAT pd) : a(pa), b(pb), c(pc), d(pd) {}

  operator FLOAT*() { return &a; }
  operator const FLOAT*() const { return &a; }

  D3DXPLANE& operator*=(FLOAT s) {
    a *= s;
    b *= s;
    c *= s;
    d *= s;
    return *this;
  }
  D3DXPLANE& operator/=(FLOAT s) { return *this *= 1.0f / s; }
  D3DXPLANE operator+() const { return *this; }
  D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }
  D3DXPLANE operator*(FLOAT s) const { return D3DXPLANE(*this) *= s; }
  D3DXPLANE operator/(FLOAT s) const { return D3DXPLANE(*this) /= s; }
  friend D3DXPLANE operator*(FLOAT s, const D3DXPLANE& p) { return p * s; }

  bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
  bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }

  FLOAT a, b, c, d;
};

// A colour with float channels, 0..1 for displayable values; converts to and
// from a packed A8R8G8B8 D3DCOLOR (channels clamped and rounded on packing).
struct D3DXCOLOR {
  D3DXCOLOR() = default;
  D3DXCOLOR(DWORD argb)
      : r(((argb >> 16) & 0xff) / 255.0f),
        g(((argb >> 8) & 0xff) / 255.0f),
        b((argb & 0xff) / 255.0f),
        a(((argb >> 24) & 0xff) / 255.0f) {}
  explicit D3DXCOLOR(const FLOAT* v) : r(v[0]), g(v[1]), b(v[2]), a(v[3]) {}
  D3DXCOLOR(const D3DCOLORVALUE& v) : r(v.r), g(v.g), b(v.b), a(v.a) {}
  D3DXCOLOR(FLOAT cr, FLOAT cg, FLOAT cb, FLOAT ca) : r(cr), g(cg), b(cb), a(ca) {}

  operator DWORD() const { return (Pack(a) << 24) | (Pack(r) << 16) | (Pack(g) << 8) | Pack(b); }
  operator FLOAT*() { return &r; }
  operator const FLOAT*() const { return &r; }
  operator D3DCOLORVALUE() const { return D3DCOLORVALUE{r, g, b, a}; }

  D3DXCOLOR& operator+=(const D3DXCOLOR& c) {
    r += c.r;
    g += c.g;
    b += c.b;
    a += c.a;
    return *this;
  }
  D3DXCOLOR& operator-=(const D3DXCOLOR& c) {
    r -= c.r;
    g -= c.g;
    b -= c.b;
    a -= c.a;
    return *this;
  }
  D3DXCOLOR& operator*=(FLOAT s) {
    r *= s;
    g *= s;
    b *= s;
    a *= s;
    return *this;
  }
  D3DXCOLOR& operator/=(FLOAT s) { return *this *= 1.0f / s; }
  D3DXCOLOR operator+() const { return *this; }
  D3DXCOLOR operator-() const { return D3DXCOLOR(-r, -g, -b, -a); }
  D3DXCOLOR operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(*this) += c; }
  D3DXCOLOR operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(*this) -= c; }
  D3DXCOLOR operator*(FLOAT s) const { return D3DXCOLOR(*this) *= s; }
  D3DXCOLOR operator/(FLOAT s) const { return D3DXCOLOR(*this) /= s; }
  friend D3DXCOLOR operator*(FLOAT s, const D3DXCOLOR& c) { return c * s; }

  bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
  bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }

  FLOAT r, g, b, a;

 private:
  static DWORD Pack(FLOAT channel) {
    if (!(channel > 0.0f)) return 0;
    if (channel >= 1.0f) return 255;
    return (DWORD)(channel * 255.0f + 0.5f);
  }
};

// ---- 3-D vectors -----------------------------------------------------------

inline FLOAT D3DXVec3Length(const D3DXVECTOR3* v) {
  return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
}
inline FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* v) {
  return v->x * v->x + v->y * v->y + v->z * v->z;
}
inline FLOAT D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  *out = r;
  return out;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a + *b;
  return out;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = *a - *b;
  return out;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, FLOAT s) {
  *out = *v * s;
  return out;
}
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(std::fmin(a->x, b->x), std::fmin(a->y, b->y), std::fmin(a->z, b->z));
  return out;
}
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(std::fmax(a->x, b->x), std::fmax(a->y, b->y), std::fmax(a->z, b->z));
  return out;
}
// a + s·(b − a).
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b,
                                 FLOAT s) {
  *out = *a + (*b - *a) * s;
  return out;
}

// The unit vector along v; a zero vector stays zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (x, y, z, 1) × m without the divide.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 1) × m divided by the resulting w (a point).
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 0) × m (a direction: the translation row is ignored).
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// Object space to the viewport: world × view × projection, the divide, then
// the viewport mapping (y grows downwards). Any of the matrices may be null
// (identity).
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view,
                             const D3DXMATRIX* world);

// ---- 2-D and 4-D vectors ---------------------------------------------------

inline FLOAT D3DXVec2Length(const D3DXVECTOR2* v) {
  return std::sqrt(v->x * v->x + v->y * v->y);
}
inline FLOAT D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
  return a->x * b->x + a->y * b->y;
}
inline FLOAT D3DXVec4Length(const D3DXVECTOR4* v) {
  return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w);
}
inline FLOAT D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
// v × m for a 4-component row vector.
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m);

// ---- Matrices --------------------------------------------------------------

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);
FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* m);
// The inverse of m, or null (out untouched) when m is singular. The
// determinant is stored through `determinant` when that is not null.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle);
// Roll about z, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll);
// Rotation about an arbitrary axis, which need not be of unit length.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
// a × b: applying the result applies a first, then b. out may alias a or b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovY, FLOAT aspect, FLOAT zNear,
                                       FLOAT zFar);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovY, FLOAT aspect, FLOAT zNear,
                                       FLOAT zFar);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar);
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar);

// ---- Quaternions -----------------------------------------------------------

inline D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
  *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
  return out;
}
inline FLOAT D3DXQuaternionLength(const D3DXQUATERNION* q) {
  return std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
}
inline FLOAT D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
// The unit quaternion along q; a zero quaternion stays zero.
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// The rotation a followed by b (the Hamilton product b·a).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                       const D3DXQUATERNION* b);
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis,
                                           FLOAT angle);
// The same rotation as D3DXMatrixRotationYawPitchRoll.
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch,
                                                   FLOAT roll);
// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, FLOAT t);

// ---- Planes ----------------------------------------------------------------

// a·x + b·y + c·z + d: the signed distance for a normalised plane.
inline FLOAT D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}
// a·x + b·y + c·z (a direction against the normal).
inline FLOAT D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z;
}
// Scales the plane so its normal has unit length; a zero normal gives a zero plane.
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p);
// The plane through three points, normal (p2 − p1) × (p3 − p1) normalised.
// Collinear points give the zero plane.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                               const D3DXVECTOR3* p3);
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point,
                                    const D3DXVECTOR3* normal);
// Where the infinite line through p1 and p2 meets the plane, or null (out
// untouched) when the line is parallel to it or p1 equals p2.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* plane, const D3DXVECTOR3* p1,
                                    const D3DXVECTOR3* p2);
