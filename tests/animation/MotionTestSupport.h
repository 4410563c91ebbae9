// Making motions and comparing matrices for the motion tests.
#pragma once

#include <gtest/gtest.h>

#include "IVeyaMotion.h"
#include "TrackTestSupport.h"

namespace tavorin::test {

inline ComPtr<IVeyaMotion> NewMotion(WORD index = 0) {
  IVeyaMotion* motion = nullptr;
  EXPECT_EQ(CreateMotion(&motion, index, nullptr, 0, nullptr), S_OK);
  return ComPtr<IVeyaMotion>(motion);
}

inline void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected,
                             float tolerance = 1e-5f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "row " << r << " column " << c;
    }
  }
}

inline D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

inline D3DXVECTOR3 Transform(IVeyaMotion* motion, D3DXVECTOR3 point) {
  D3DXVECTOR3 out(0, 0, 0);
  motion->TransformCoord(&out, &point);
  return out;
}

}  // namespace tavorin::test
