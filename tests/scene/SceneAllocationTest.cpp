// Counts every allocation of the test program, so posing a loaded scene can
// be shown to allocate nothing per frame.
#include <atomic>
#include <cstdlib>
#include <new>

#include "SceneTestSupport.h"

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
using namespace tavorin::test;

TEST(SceneAllocationTest, PosingAndCollisionUpdatesAllocateNothing) {
  TempDir dir;
  HeadlessDevice device;
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeyaShader> shader = MakeQuietShader();
  ComPtr<IVeya2> scene =
      LoadSceneBytes(dir, SampleScene(dir, device.Get()), device.Get(), shader.Get());
  ASSERT_TRUE(scene);
  const long before = g_allocations.load();
  for (INT time = -5; time < 200; ++time) {
    scene->SetPlayTime(time, 0, 60, 0);
    scene->SetPlayTime(time, 60, 0, 2);
    scene->SetBlendTime(time, 0, 30, 7, 0);
    scene->UpdateCollisionLayersAll();
  }
  EXPECT_EQ(g_allocations.load() - before, 0);
}

}  // namespace
