// Counts every allocation of the test program, so posing a loaded scene can
// be shown to allocate nothing per frame.

#include "SceneTestSupport.h"

#include "support/CountingAllocator.h"

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
  const long before = tavorin::test::AllocationCount();
  for (INT time = -5; time < 200; ++time) {
    scene->SetPlayTime(time, 0, 60, 0);
    scene->SetPlayTime(time, 60, 0, 2);
    scene->SetBlendTime(time, 0, 30, 7, 0);
    scene->UpdateCollisionLayersAll();
  }
  EXPECT_EQ(tavorin::test::AllocationCount() - before, 0);
}

}  // namespace
