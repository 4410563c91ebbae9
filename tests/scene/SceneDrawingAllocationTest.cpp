// Counts every allocation of this test program, so posing and drawing a
// loaded scene frame after frame can be shown to allocate nothing. The
// counter replaces the global allocator, so this file is a program of its
// own.

#include <gtest/gtest.h>

#include "scene/SceneDrawingTestSupport.h"
#include "support/HeadlessDevice.h"

#include "support/CountingAllocator.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::HeadlessDevice;
using tavorin::test::LoadSceneBytes;
using tavorin::test::MakeMotion;
using tavorin::test::ManualClock;
using tavorin::test::SceneFile;
using tavorin::test::TempDir;
using namespace tavorin::test::drawing;

template <class Interface>
void Table(SceneFile& file, const char* countTag, const char* tag,
           const std::vector<ComPtr<Interface>>& components) {
  file.Count(countTag, WORD(components.size()));
  for (const ComPtr<Interface>& component : components) file.Object(tag, component.Get());
}

// Every kind of draw once: plain, lip-sync and blink pairs, a layer morph,
// a depth pre-pass with outlines, joints and collision triangles.
std::vector<uint8_t> BusyScene(const TempDir& dir, IDirect3DDevice9* device) {
  std::vector<ComPtr<IVeyaLayer>> layers;
  for (WORD i = 0; i < 8; ++i) {
    layers.push_back(
        TaggedLayer(device, i, {{24, 16, 0}, {24, 8, 1}}, {SHORT(i % 3), 0}, {{1, 1}, {-1, 2}}));
    layers[i]->SetBoneCount(1);
    layers[i]->GetBone(0)->motionIndex = i % 3;
    layers[i]->GetBone(0)->restLength = 1.0f;
  }
  layers[7]->SetDepthPrepass(1);
  layers[5]->SetMorphEnabled(1);
  layers[5]->GetMorphTargetTrack()->defaultValue = 6;
  IVeyaCollisionGroup* rawGroup = nullptr;
  EXPECT_EQ(CreateCollisionGroup(&rawGroup, 0, 0, nullptr, 0, nullptr), S_OK);
  ComPtr<IVeyaCollisionGroup> group(rawGroup);
  SceneFile file(dir);
  Table<IVeyaMotion>(file, "MOTN", "MOTI", {MakeMotion(0), MakeMotion(1), MakeMotion(2)});
  Table<IVeyaSurface>(file, "SRFN", "SURF",
                      {DrawnSurface(device, 0, {1, 0, 0.5f}), DrawnSurface(device, 1, {2, 3})});
  Table(file, "LYRN", "LYER", layers);
  Table(file, "CGNM", "CGRP", std::vector<ComPtr<IVeyaCollisionGroup>>{group});
  Table<IVeyaCollisionLayer>(
      file, "CLNM", "CLAY",
      {CollisionTriangles(group.Get(), {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}})});
  file.Object("LIPS", FixedPair<IVeyaLipsync>(CreateLipsync, 1, 2).Get())
      .Object("BLNK", FixedPair<IVeyaBlink>(CreateBlink, 3, 4, 40).Get());
  return file.Build();
}

TEST(SceneDrawingAllocationTest, PosingAndDrawingAFrameAllocateNothing) {
  ManualClock clock;
  TempDir dir;
  HeadlessDevice device;
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<CountingShader> shader(new CountingShader);
  ComPtr<IVeya2> scene =
      LoadSceneBytes(dir, BusyScene(dir, device.Get()), device.Get(), shader.Get());
  ASSERT_TRUE(scene);
  ComPtr<IVeyaBlink> blink(scene->GetBlink());
  const float color[4] = {1, 1, 1, 1};
  auto frame = [&](INT time) {
    scene->SetPlayTime(time, 0, 30, 0);
    device.Get()->BeginScene();
    EXPECT_EQ(scene->DrawDepthAll(1), S_OK);
    EXPECT_EQ(scene->DrawAll(3, 1), S_OK);
    EXPECT_EQ(scene->DrawJoints(color), S_OK);
    EXPECT_EQ(scene->DrawCollisionLayersAll(), S_OK);
    device.Get()->EndScene();
  };
  frame(0);  // the device sizes its own scratch space on first use

  const long before = tavorin::test::AllocationCount();
  const long drawsBefore = shader->draws;
  for (INT time = 1; time <= 40; ++time) {
    if (time % 10 == 0) blink->StartBlink();
    clock.Advance(10);
    frame(time);
  }
  EXPECT_EQ(tavorin::test::AllocationCount(), before);
  EXPECT_GT(shader->draws, drawsBefore + 40 * 16);

  // The counter does see allocations.
  std::unique_ptr<int> probe(new int(1));
  EXPECT_GT(tavorin::test::AllocationCount(), before);
}

}  // namespace
