#include <algorithm>
#include <cmath>

#include "MotionTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::ExpectMatrixNear;
using tavorin::test::MakeCurve;
using tavorin::test::MakeCurveKey;
using tavorin::test::NewMotion;
using tavorin::test::Transform;
using tavorin::test::Translation;

constexpr float kHalfPi = 1.57079632679f;

TEST(MotionTest, NeutralChannelsPivotAndRotation) {
  ComPtr<IVeyaMotion> motion = NewMotion();
  D3DXMATRIX identity, local;
  D3DXMatrixIdentity(&identity);
  motion->GetLocalMatrix(&local);
  ExpectMatrixNear(local, identity);  // before the first evaluation

  const D3DXVECTOR3 pivot(1, 2, 3);
  motion->SetPivot(&pivot);
  ASSERT_EQ(motion->Evaluate(10), S_OK);
  motion->GetLocalMatrix(&local);
  ExpectMatrixNear(local, Translation(-1, -2, -3));
  D3DXVECTOR3 scale, translation;
  motion->GetScale(&scale);
  motion->GetTranslation(&translation);
  EXPECT_EQ(scale, D3DXVECTOR3(1, 1, 1));
  EXPECT_EQ(translation, D3DXVECTOR3(0, 0, 0));

  const D3DXVECTOR3 zero(0, 0, 0);
  motion->SetPivot(&zero);
  *motion->GetTrackRotationY() = MakeCurve({MakeCurveKey(0, kHalfPi, kCurveShapeLinear)});
  motion->Evaluate(0);
  motion->UpdateWorld();
  const D3DXVECTOR3 turned = Transform(motion.Get(), D3DXVECTOR3(1, 0, 0));
  EXPECT_NEAR(turned.x, 0.0f, 1e-6f);
  EXPECT_NEAR(turned.y, 0.0f, 1e-6f);
  EXPECT_NEAR(turned.z, -1.0f, 1e-6f);

  // Offsets and factor apply on top of the channels but stay out of the
  // channel matrix.
  *motion->GetTrackScaleX() = MakeCurve({MakeCurveKey(0, 2, kCurveShapeLinear)});
  motion->GetTrackRotationY()->keyCount = 0;
  motion->GetTrackRotationY()->keys.reset();
  const D3DXVECTOR3 offset(0, 0, 5), factor(3, 1, 1);
  motion->SetTranslationOffset(&offset);
  motion->SetScaleFactor(&factor);
  motion->Evaluate(0);
  motion->UpdateWorld();
  const D3DXVECTOR3 moved = Transform(motion.Get(), D3DXVECTOR3(1, 1, 1));
  EXPECT_EQ(moved, D3DXVECTOR3(6, 1, 6));
  D3DXMATRIX channel;
  motion->GetChannelMatrix(&channel);
  D3DXMATRIX scaling;
  D3DXMatrixScaling(&scaling, 2, 1, 1);
  ExpectMatrixNear(channel, scaling);
}

TEST(MotionTest, ChainedWorldDoesNotDependOnUpdateOrder) {
  ComPtr<IVeyaMotion> motions[3] = {NewMotion(0), NewMotion(1), NewMotion(2)};
  for (auto& motion : motions) {
    *motion->GetTrackTranslationX() = MakeCurve({MakeCurveKey(0, 1, kCurveShapeLinear)});
  }
  ASSERT_EQ(motions[1]->SetParent(motions[0].Get()), S_OK);
  ASSERT_EQ(motions[2]->SetParent(motions[1].Get()), S_OK);
  EXPECT_EQ(motions[2]->GetParentIndex(), 1);
  D3DXMATRIX inverseRest = Translation(-1, 0, 0);
  motions[2]->SetInverseRestMatrix(&inverseRest);

  int order[3] = {0, 1, 2};
  do {
    for (auto& motion : motions) motion->Evaluate(5);
    for (int i : order) motions[i]->UpdateWorld();
    D3DXMATRIX world;
    motions[2]->GetWorldMatrix(&world);
    ExpectMatrixNear(world, Translation(3, 0, 0));
    EXPECT_EQ(Transform(motions[2].Get(), D3DXVECTOR3(0, 0, 0)), D3DXVECTOR3(2, 0, 0));
  } while (std::next_permutation(order, order + 3));

  // A parent that would close a loop is refused and the chain stays as it was.
  EXPECT_EQ(motions[0]->SetParent(motions[2].Get()), E_INVALIDARG);
  EXPECT_EQ(motions[0]->SetParent(motions[0].Get()), E_INVALIDARG);
  EXPECT_EQ(motions[0]->GetParent(), nullptr);
  EXPECT_EQ(motions[0]->GetParentIndex(), 0xFFFF);
  ASSERT_EQ(motions[2]->SetParent(nullptr), S_OK);
  EXPECT_EQ(motions[2]->GetParentIndex(), 0xFFFF);
}

TEST(MotionTest, LinkedMotionSuppliesTheAnimation) {
  ComPtr<IVeyaMotion> own = NewMotion(0);
  ComPtr<IVeyaMotion> source = NewMotion(1);
  *source->GetTrackTranslationY() =
      MakeCurve({MakeCurveKey(0, 0, kCurveShapeLinear), MakeCurveKey(10, 10, kCurveShapeLinear)});
  *own->GetTrackTranslationY() = MakeCurve({MakeCurveKey(0, 50, kCurveShapeLinear)});
  const D3DXVECTOR3 ownRest(5, 0, 0), sourceRest(1, 0, 0), offset(0, 0, 2);
  own->SetRestPosition(&ownRest);
  source->SetRestPosition(&sourceRest);
  own->SetTranslationOffset(&offset);

  ASSERT_EQ(own->SetLinkedMotion(source.Get()), S_OK);
  EXPECT_EQ(own->GetLinkedMotion(), source.Get());
  D3DXVECTOR3 passed;
  source->GetTranslationOffset(&passed);
  EXPECT_EQ(passed, offset);

  own->Evaluate(4);
  D3DXVECTOR3 translation;
  own->GetTranslation(&translation);
  EXPECT_EQ(translation, D3DXVECTOR3(0, 4, 0));  // the linked motion's values
  D3DXMATRIX local;
  own->GetLocalMatrix(&local);
  ExpectMatrixNear(local, Translation(4, 4, 2));  // its local, moved by the rest difference

  // The own channels were not evaluated: unlinked, they still hold neutral values.
  ASSERT_EQ(own->SetLinkedMotion(nullptr), S_OK);
  own->GetTranslation(&translation);
  EXPECT_EQ(translation, D3DXVECTOR3(0, 0, 0));

  // A ring of links would recurse for ever.
  ASSERT_EQ(source->SetLinkedMotion(own.Get()), S_OK);
  EXPECT_EQ(own->SetLinkedMotion(source.Get()), E_INVALIDARG);
  EXPECT_EQ(own->SetLinkedMotion(own.Get()), E_INVALIDARG);
  source->SetLinkedMotion(nullptr);
}

TEST(MotionTest, BlendMovesChannelsBetweenTwoFrames) {
  ComPtr<IVeyaMotion> motion = NewMotion();
  *motion->GetTrackTranslationX() =
      MakeCurve({MakeCurveKey(0, 0, kCurveShapeLinear), MakeCurveKey(10, 10, kCurveShapeLinear)},
                kBehaviorConstant, kBehaviorConstant);
  motion->EvaluateBlend(1, 2, 6, 4);
  D3DXVECTOR3 translation, scale;
  motion->GetTranslation(&translation);
  motion->GetScale(&scale);
  EXPECT_FLOAT_EQ(translation.x, 3.0f);
  EXPECT_EQ(scale, D3DXVECTOR3(1, 1, 1));  // keyless scale blends 1 to 1
  motion->EvaluateBlend(1, 2, 6, 0);
  motion->GetTranslation(&translation);
  EXPECT_FLOAT_EQ(translation.x, 6.0f);
}

TEST(MotionTest, CopyAndPasteTracksMoveTranslationByTheRestDifference) {
  ComPtr<IVeyaMotion> source = NewMotion(0);
  ComPtr<IVeyaMotion> dest = NewMotion(1);
  *source->GetTrackTranslationX() = MakeCurve({MakeCurveKey(0, 1, 3), MakeCurveKey(5, 2, 3)});
  *source->GetTrackRotationZ() = MakeCurve({MakeCurveKey(3, 0.5f, 3)});
  const D3DXVECTOR3 sourceRest(1, 0, 0), destRest(4, 0, 0);
  source->SetRestPosition(&sourceRest);
  dest->SetRestPosition(&destRest);

  ASSERT_EQ(dest->CopyTracks(source.Get()), S_OK);
  ASSERT_EQ(dest->GetTrackTranslationX()->keyCount, 2);
  EXPECT_FLOAT_EQ(dest->GetTrackTranslationX()->keys[1].value, 5.0f);
  EXPECT_FLOAT_EQ(dest->GetTrackRotationZ()->keys[0].value, 0.5f);

  EXPECT_EQ(dest->PasteTracks(source.Get(), 20, 0, 5, kPasteInsert), S_FALSE);
  EXPECT_EQ(tavorin::test::Frames(*dest->GetTrackTranslationX()), (std::vector<INT>{0, 5, 20, 25}));
  EXPECT_FLOAT_EQ(dest->GetTrackTranslationX()->keys[2].value, 4.0f);
  EXPECT_EQ(dest->PasteTracks(source.Get(), 0, 0, 5, 9), E_INVALIDARG);

  ASSERT_EQ(dest->ClearTracks(), S_OK);
  EXPECT_EQ(dest->GetTrackTranslationX()->keyCount, 0);
  EXPECT_EQ(dest->GetTrackTranslationX()->preBehavior, kBehaviorRepeat);
  EXPECT_EQ(dest->CopyTracks(nullptr), E_POINTER);
}

TEST(MotionTest, NamesAndGuards) {
  ComPtr<IVeyaMotion> motion = NewMotion(7);
  EXPECT_EQ(motion->GetIndex(), 7);
  EXPECT_EQ(motion->GetName(), nullptr);
  ASSERT_EQ(motion->SetName("hip"), S_OK);
  EXPECT_STREQ(motion->GetName(), "hip");
  EXPECT_EQ(motion->SetName(nullptr), E_POINTER);
  EXPECT_STREQ(motion->GetName(), "hip");
  EXPECT_EQ(motion->GetLocalMatrix(nullptr), E_POINTER);
  EXPECT_EQ(motion->SetPivot(nullptr), E_POINTER);
  EXPECT_EQ(motion->TransformCoord(nullptr, nullptr), E_POINTER);

  ComPtr<IUnknown> unknown;
  EXPECT_EQ(motion->QueryInterface(IID_IVeyaMotion,
                                   reinterpret_cast<void**>(unknown.ReleaseAndGetAddressOf())),
            S_OK);
  EXPECT_EQ(CreateMotion(nullptr, 0, nullptr, 0, nullptr), E_POINTER);
}

}  // namespace
