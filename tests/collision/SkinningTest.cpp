#include "CollisionTestSupport.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::BindBone;
using tavorin::test::ExpectVectorNear;
using tavorin::test::MakeLayer;
using tavorin::test::MotionWithSkin;
using tavorin::test::Translation;

D3DXMATRIX Scaling(float s) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, s, s, s);
  return m;
}

TEST(SkinningTest, RawWeightsAndABoneChainThatStopsAtTheFirstEmptySlot) {
  ComPtr<IVeyaMotion> right = MotionWithSkin(0, Translation(10, 0, 0));
  ComPtr<IVeyaMotion> up = MotionWithSkin(1, Translation(0, 20, 0));
  ComPtr<IVeyaMotion> grow = MotionWithSkin(2, Scaling(2));
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer({{1, 1, 1}, {1, 1, 1}, {2, 3, 4}, {1, 1, 1}}, {});

  CollisionVertex& chained = *layer->GetVertex(0);
  BindBone(chained, 0, right.Get(), 0.5f);
  BindBone(chained, 1, up.Get(), 0.25f);
  BindBone(chained, 3, grow.Get(), 1.0f);  // after an empty slot: never used
  CollisionVertex& headless = *layer->GetVertex(1);
  BindBone(headless, 1, right.Get(), 1.0f);
  BindBone(headless, 2, up.Get(), 1.0f);
  BindBone(headless, 3, grow.Get(), 1.0f);
  CollisionVertex& full = *layer->GetVertex(3);
  for (int k = 0; k < 4; ++k) BindBone(full, k, grow.Get(), 0.5f);

  layer->Update();
  // 0.5 · (11, 1, 1) + 0.25 · (1, 21, 1): the weights sum to 0.75 and are
  // used as they are.
  ExpectVectorNear(layer->GetVertex(0)->position, {5.75f, 5.75f, 0.75f});
  ExpectVectorNear(layer->GetVertex(1)->position, {1, 1, 1});  // first slot empty: at rest
  ExpectVectorNear(layer->GetVertex(2)->position, {2, 3, 4});  // unbound: at rest
  ExpectVectorNear(layer->GetVertex(3)->position, {4, 4, 4});  // all four slots: 4 · 0.5 · 2

  // Posing always starts from the rest position.
  layer->Update();
  ExpectVectorNear(layer->GetVertex(0)->position, {5.75f, 5.75f, 0.75f});
}

TEST(SkinningTest, BlendMovesEachAxisByItsOwnFactorBeforeSkinning) {
  ComPtr<IVeyaMotion> right = MotionWithSkin(0, Translation(10, 0, 0));
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer({{0, 0, 0}, {1, 2, 3}}, {});
  ComPtr<IVeyaCollisionLayer> target = MakeLayer({{4, 8, 12}, {5, 6, 7}}, {});
  BindBone(*layer->GetVertex(0), 0, right.Get(), 1.0f);
  target->GetVertex(1)->position = D3DXVECTOR3(100, 100, 100);  // only rest positions count

  const D3DXVECTOR3 factor(0.0f, 0.5f, 1.0f);
  ASSERT_EQ(layer->UpdateBlend(target.Get(), &factor), S_OK);
  ExpectVectorNear(layer->GetVertex(0)->position, {10, 4, 12});
  ExpectVectorNear(layer->GetVertex(1)->position, {1, 4, 7});
  ExpectVectorNear(layer->GetVertex(1)->restPosition, {1, 2, 3});  // rest stays

  ComPtr<IVeyaCollisionLayer> other = MakeLayer({{9, 9, 9}}, {});
  EXPECT_EQ(layer->UpdateBlend(other.Get(), &factor), E_FAIL);
  ExpectVectorNear(layer->GetVertex(1)->position, {1, 4, 7});  // nothing posed
  EXPECT_EQ(layer->UpdateBlend(nullptr, &factor), E_POINTER);
  EXPECT_EQ(layer->UpdateBlend(target.Get(), nullptr), E_POINTER);
  const D3DXVECTOR3 self(1, 1, 1);
  ASSERT_EQ(layer->UpdateBlend(layer.Get(), &self), S_OK);
  ExpectVectorNear(layer->GetVertex(1)->position, {1, 2, 3});
}

}  // namespace
