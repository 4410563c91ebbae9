// Counts every allocation of the test program, so posing and querying a
// layer can be shown to allocate nothing.

#include "CollisionTestSupport.h"

#include "support/CountingAllocator.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::BindBone;
using tavorin::test::MakeLayer;
using tavorin::test::MotionWithSkin;
using tavorin::test::NewGroup;
using tavorin::test::Translation;

TEST(CollisionAllocationTest, PosingAndQueriesAllocateNothing) {
  std::vector<ComPtr<IVeyaMotion>> motions;
  for (WORD i = 0; i < 4; ++i) motions.push_back(MotionWithSkin(i, Translation(i, 0, 0)));
  ComPtr<IVeyaCollisionGroup> group = NewGroup(0, 0);
  std::vector<D3DXVECTOR3> positions;
  std::vector<tavorin::test::Triangle> triangles;
  for (WORD i = 0; i < 300; ++i) {
    positions.push_back({float(i), 0, 0});
    positions.push_back({float(i), 1, 0});
    positions.push_back({float(i) + 1, 0, 0});
    triangles.push_back({WORD(3 * i), WORD(3 * i + 1), WORD(3 * i + 2)});
  }
  ComPtr<IVeyaCollisionLayer> layer = MakeLayer(positions, {{group.Get(), triangles}});
  ComPtr<IVeyaCollisionLayer> target = MakeLayer(positions, {});
  for (WORD i = 0; i < layer->GetVertexCount(); ++i) {
    for (int k = 0; k < 4; ++k) BindBone(*layer->GetVertex(i), k, motions[k].Get(), 0.25f);
  }

  const D3DXVECTOR3 factor(0.5f, 0.5f, 0.5f), from(10.2f, 0.2f, -1), to(10.2f, 0.2f, 1);
  const long before = tavorin::test::AllocationCount();
  WORD hits = 0;
  for (int round = 0; round < 10; ++round) {
    layer->Update();
    layer->UpdateBlend(target.Get(), &factor);
    for (int pick = 0; pick < 3; ++pick) {
      hits += layer->HitTest(nullptr, nullptr, nullptr, &from, &to, 0, pick) != 0xFFFF;
    }
    hits += layer->HitTestSphere(nullptr, nullptr, nullptr, nullptr, &to, 2.0f, FALSE) != 0xFFFF;
  }
  EXPECT_EQ(tavorin::test::AllocationCount(), before);
  EXPECT_GT(hits, 0);

  // The counter does see allocations.
  ComPtr<IVeyaCollisionGroup> extra = NewGroup(1);
  EXPECT_GT(tavorin::test::AllocationCount(), before);
}

}  // namespace
