#include <d3dx9.h>

#include <gtest/gtest.h>

namespace {

constexpr float kTolerance = 1e-5f;

void ExpectNear(const D3DXVECTOR3& actual, float x, float y, float z) {
  EXPECT_NEAR(actual.x, x, kTolerance);
  EXPECT_NEAR(actual.y, y, kTolerance);
  EXPECT_NEAR(actual.z, z, kTolerance);
}

void ExpectNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected) {
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      EXPECT_NEAR(actual(row, col), expected(row, col), kTolerance) << row << "," << col;
    }
  }
}

const float kHalfPi = D3DX_PI / 2;

TEST(D3DXMathTest, RotationsAreLeftHandedForRowVectors) {
  D3DXMATRIX m;
  D3DXVECTOR3 r, y(0, 1, 0), z(0, 0, 1), x(1, 0, 0);
  // Looking down the axis from its positive end, a positive angle turns
  // clockwise: y goes to z about x, z to x about y, x to y about z.
  D3DXVec3TransformCoord(&r, &y, D3DXMatrixRotationX(&m, kHalfPi));
  ExpectNear(r, 0, 0, 1);
  D3DXVec3TransformCoord(&r, &z, D3DXMatrixRotationY(&m, kHalfPi));
  ExpectNear(r, 1, 0, 0);
  D3DXVec3TransformCoord(&r, &x, D3DXMatrixRotationZ(&m, kHalfPi));
  ExpectNear(r, 0, 1, 0);
  // An arbitrary, unnormalised axis agrees with the axis rotations.
  D3DXMATRIX axisM, xM;
  D3DXVECTOR3 longX(5, 0, 0);
  ExpectNear(*D3DXMatrixRotationAxis(&axisM, &longX, 0.7f), *D3DXMatrixRotationX(&xM, 0.7f));
}

TEST(D3DXMathTest, YawPitchRollAppliesRollThenPitchThenYaw) {
  D3DXMATRIX m, rz, rx, ry;
  D3DXMatrixRotationYawPitchRoll(&m, 0.3f, -0.4f, 1.1f);
  D3DXMatrixRotationZ(&rz, 1.1f);
  D3DXMatrixRotationX(&rx, -0.4f);
  D3DXMatrixRotationY(&ry, 0.3f);
  ExpectNear(m, rz * rx * ry);

  // The quaternion form describes the same rotation.
  D3DXQUATERNION q;
  D3DXMATRIX fromQ;
  D3DXQuaternionRotationYawPitchRoll(&q, 0.3f, -0.4f, 1.1f);
  ExpectNear(*D3DXMatrixRotationQuaternion(&fromQ, &q), m);
  EXPECT_NEAR(D3DXQuaternionLength(&q), 1.0f, kTolerance);

  // Hand-computed: yaw a quarter turn takes +z to +x.
  D3DXVECTOR3 r, z(0, 0, 1);
  D3DXVec3TransformCoord(&r, &z, D3DXMatrixRotationYawPitchRoll(&m, kHalfPi, 0, 0));
  ExpectNear(r, 1, 0, 0);
}

TEST(D3DXMathTest, MultiplyAppliesLeftOperandFirst) {
  D3DXMATRIX t, s, ts, st;
  D3DXMatrixTranslation(&t, 1, 2, 3);
  D3DXMatrixScaling(&s, 2, 2, 2);
  D3DXMatrixMultiply(&ts, &t, &s);
  st = s * t;
  D3DXVECTOR3 r, p(1, 1, 1);
  ExpectNear(*D3DXVec3TransformCoord(&r, &p, &ts), 4, 6, 8);  // (p + t) · 2
  ExpectNear(*D3DXVec3TransformCoord(&r, &p, &st), 3, 4, 5);  // p · 2 + t
  // The out-pointer may alias an operand.
  D3DXMatrixMultiply(&t, &t, &s);
  ExpectNear(t, ts);
  // Directions ignore the translation.
  ExpectNear(*D3DXVec3TransformNormal(&r, &p, &st), 2, 2, 2);
  D3DXVECTOR4 r4;
  D3DXVec3Transform(&r4, &p, &st);
  EXPECT_FLOAT_EQ(r4.w, 1.0f);
}

TEST(D3DXMathTest, TransformCoordDividesByW) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._44 = 2.0f;
  m._14 = 1.0f;  // w = x + 2
  D3DXVECTOR3 r, p(2, 4, 6);
  ExpectNear(*D3DXVec3TransformCoord(&r, &p, &m), 0.5f, 1.0f, 1.5f);
}

TEST(D3DXMathTest, InverseAndTranspose) {
  D3DXMATRIX a, b, m, inverse, identity;
  D3DXMatrixRotationYawPitchRoll(&a, 0.2f, 0.5f, -0.9f);
  D3DXMatrixTranslation(&b, 3, -4, 5);
  m = a * b * 1.5f;
  m._44 = 1.0f;
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inverse, &det, &m), nullptr);
  EXPECT_NEAR(det, 1.5f * 1.5f * 1.5f, 1e-4f);
  ExpectNear(m * inverse, *D3DXMatrixIdentity(&identity));

  // A singular matrix has no inverse and leaves the output alone.
  D3DXMATRIX flat, untouched = identity;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &flat), nullptr);
  EXPECT_EQ(det, 0.0f);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&untouched));

  D3DXMATRIX t;
  D3DXMatrixTranspose(&t, &b);
  EXPECT_EQ(t._14, 3.0f);
  EXPECT_EQ(t._41, 0.0f);
  EXPECT_EQ(t(2, 3), 5.0f);
}

TEST(D3DXMathTest, ViewAndProjectionMatrices) {
  D3DXMATRIX view, projection;
  D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0), r;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXVECTOR3 origin(0, 0, 0), right(1, 0, 0);
  ExpectNear(*D3DXVec3TransformCoord(&r, &origin, &view), 0, 0, 10);
  ExpectNear(*D3DXVec3TransformCoord(&r, &right, &view), 1, 0, 10);
  D3DXMatrixLookAtRH(&view, &eye, &at, &up);
  ExpectNear(*D3DXVec3TransformCoord(&r, &origin, &view), 0, 0, -10);
  ExpectNear(*D3DXVec3TransformCoord(&r, &right, &view), -1, 0, -10);

  // Near plane maps to depth 0, far plane to 1; a 90° field of view puts
  // y = z at the top edge.
  D3DXMatrixPerspectiveFovLH(&projection, kHalfPi, 2.0f, 1.0f, 101.0f);
  D3DXVECTOR3 nearTop(0, 1, 1), farCorner(202, 0, 101);
  ExpectNear(*D3DXVec3TransformCoord(&r, &nearTop, &projection), 0, 1, 0);
  ExpectNear(*D3DXVec3TransformCoord(&r, &farCorner, &projection), 1, 0, 1);
  D3DXMatrixPerspectiveFovRH(&projection, kHalfPi, 2.0f, 1.0f, 101.0f);
  D3DXVECTOR3 nearRh(0, 1, -1);
  ExpectNear(*D3DXVec3TransformCoord(&r, &nearRh, &projection), 0, 1, 0);

  D3DXMatrixOrthoLH(&projection, 800, 600, 0, 10);
  D3DXVECTOR3 corner(400, -300, 5);
  ExpectNear(*D3DXVec3TransformCoord(&r, &corner, &projection), 1, -1, 0.5f);

  D3DVIEWPORT9 viewport = {0, 0, 800, 600, 0.0f, 1.0f};
  D3DXVec3Project(&r, &corner, &viewport, &projection, nullptr, nullptr);
  ExpectNear(r, 800, 600, 0.5f);
}

TEST(D3DXMathTest, VectorHelpers) {
  D3DXVECTOR3 a(3, 0, 4), b(0, 1, 0), r;
  EXPECT_FLOAT_EQ(D3DXVec3Length(&a), 5.0f);
  EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 0.0f);
  ExpectNear(*D3DXVec3Normalize(&r, &a), 0.6f, 0, 0.8f);
  D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
  ExpectNear(*D3DXVec3Cross(&r, &x, &y), 0, 0, 1);
  D3DXVec3Cross(&x, &x, &y);  // aliasing the output
  ExpectNear(x, 0, 0, 1);
  ExpectNear(*D3DXVec3Lerp(&r, &a, &b, 0.5f), 1.5f, 0.5f, 2);
  D3DXVECTOR3 zero(0, 0, 0);
  ExpectNear(*D3DXVec3Normalize(&r, &zero), 0, 0, 0);
  ExpectNear(a + b * 2.0f - D3DXVECTOR3(1, 1, 1), 2, 1, 3);
}

TEST(D3DXMathTest, QuaternionSlerpFollowsTheShortArc) {
  D3DXQUATERNION a, b, r;
  D3DXVECTOR3 axis(0, 0, 2);
  D3DXQuaternionIdentity(&a);
  D3DXQuaternionRotationAxis(&b, &axis, kHalfPi);
  D3DXQuaternionSlerp(&r, &a, &b, 0.5f);
  D3DXMATRIX fromSlerp, expected;
  ExpectNear(*D3DXMatrixRotationQuaternion(&fromSlerp, &r),
             *D3DXMatrixRotationZ(&expected, kHalfPi / 2));
  // The negated end is the same rotation: still the 45° midpoint.
  D3DXQUATERNION negB = -b;
  D3DXQuaternionSlerp(&r, &a, &negB, 0.5f);
  ExpectNear(*D3DXMatrixRotationQuaternion(&fromSlerp, &r), expected);
  // Ends are exact and equal inputs do not divide by zero.
  D3DXQuaternionSlerp(&r, &a, &a, 0.3f);
  EXPECT_NEAR(r.w, 1.0f, kTolerance);
  D3DXQUATERNION scaled(0, 0, 3, 4);
  D3DXQuaternionNormalize(&r, &scaled);
  EXPECT_FLOAT_EQ(r.z, 0.6f);
  EXPECT_FLOAT_EQ(r.w, 0.8f);
  // Multiplication composes like matrices: a first.
  D3DXQUATERNION qx, qy;
  D3DXVECTOR3 ax(1, 0, 0), ay(0, 1, 0);
  D3DXQuaternionRotationAxis(&qx, &ax, 0.4f);
  D3DXQuaternionRotationAxis(&qy, &ay, 0.9f);
  D3DXMATRIX mx, my, mq;
  D3DXMatrixRotationX(&mx, 0.4f);
  D3DXMatrixRotationY(&my, 0.9f);
  D3DXQUATERNION product = qx * qy;
  ExpectNear(*D3DXMatrixRotationQuaternion(&mq, &product), mx * my);
}

TEST(D3DXMathTest, PlanesFromPointsAndLineIntersection) {
  D3DXPLANE plane;
  D3DXVECTOR3 p1(0, 2, 0), p2(0, 2, 1), p3(1, 2, 0);
  D3DXPlaneFromPoints(&plane, &p1, &p2, &p3);
  // (p2 − p1) × (p3 − p1) = (0,0,1) × (1,0,0) = (0,1,0); the plane y = 2.
  EXPECT_NEAR(plane.a, 0, kTolerance);
  EXPECT_NEAR(plane.b, 1, kTolerance);
  EXPECT_NEAR(plane.c, 0, kTolerance);
  EXPECT_NEAR(plane.d, -2, kTolerance);
  D3DXVECTOR3 q(5, 7, 1);
  EXPECT_NEAR(D3DXPlaneDotCoord(&plane, &q), 5, kTolerance);

  D3DXVECTOR3 out(9, 9, 9), from(1, 0, 1), to(2, 1, 3);
  ASSERT_EQ(D3DXPlaneIntersectLine(&out, &plane, &from, &to), &out);
  ExpectNear(out, 3, 2, 5);  // beyond the segment: the line is infinite
  D3DXVECTOR3 alongA(0, 5, 0), alongB(3, 5, 1);
  D3DXVECTOR3 untouched(9, 9, 9);
  EXPECT_EQ(D3DXPlaneIntersectLine(&untouched, &plane, &alongA, &alongB), nullptr);
  EXPECT_EQ(D3DXPlaneIntersectLine(&untouched, &plane, &alongA, &alongA), nullptr);
  ExpectNear(untouched, 9, 9, 9);

  D3DXPLANE unnormalised(0, 0, 4, 8), normalised;
  D3DXPlaneNormalize(&normalised, &unnormalised);
  EXPECT_FLOAT_EQ(normalised.c, 1.0f);
  EXPECT_FLOAT_EQ(normalised.d, 2.0f);
  // Collinear points give no plane rather than NaNs.
  D3DXVECTOR3 c3(0, 2, 2);
  D3DXPlaneFromPoints(&plane, &p1, &p2, &c3);
  EXPECT_EQ(plane, D3DXPLANE(0, 0, 0, -0.0f));
}

TEST(D3DXMathTest, ColourPacksAndUnpacks) {
  D3DXCOLOR c(0x80FF4000u);
  EXPECT_FLOAT_EQ(c.a, 128 / 255.0f);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.g, 64 / 255.0f);
  EXPECT_EQ((DWORD)c, 0x80FF4000u);
  EXPECT_EQ((DWORD)D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f), 0xFFFF0080u);
  EXPECT_EQ(D3DCOLOR_ARGB(1, 2, 3, 4), 0x01020304u);
  EXPECT_EQ(D3DCOLOR_XRGB(0x30, 0x30, 0x80), 0xFF303080u);
}

}  // namespace
