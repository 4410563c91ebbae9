// Counts every allocation of the test program, so posing and querying a
// layer can be shown to allocate nothing.
#include <atomic>
#include <cstdlib>
#include <new>

#include "CollisionTestSupport.h"

// Replacing the global operators pairs malloc with free by design.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<long> g_allocations{0};

void* Allocate(std::size_t size) {
  ++g_allocations;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

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
  const long before = g_allocations.load();
  WORD hits = 0;
  for (int round = 0; round < 10; ++round) {
    layer->Update();
    layer->UpdateBlend(target.Get(), &factor);
    for (int pick = 0; pick < 3; ++pick) {
      hits += layer->HitTest(nullptr, nullptr, nullptr, &from, &to, 0, pick) != 0xFFFF;
    }
    hits += layer->HitTestSphere(nullptr, nullptr, nullptr, nullptr, &to, 2.0f, FALSE) != 0xFFFF;
  }
  EXPECT_EQ(g_allocations.load(), before);
  EXPECT_GT(hits, 0);

  // The counter does see allocations.
  ComPtr<IVeyaCollisionGroup> extra = NewGroup(1);
  EXPECT_GT(g_allocations.load(), before);
}

}  // namespace
