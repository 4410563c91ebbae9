// Scene files: the header-only scene, skipping and alignment, parents, a
// full scene read and written byte for byte, and files that must be refused
// without leaving anything behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "SceneTestSupport.h"

namespace {

using tavorin::ComPtr;
using namespace tavorin::test;

class SceneLoaderTest : public ::testing::Test {
 protected:
  ComPtr<IVeya2> Load(const ByteVector& bytes, HRESULT* hr = nullptr) {
    return LoadSceneBytes(dir, bytes, device.Get(), shader.Get(), hr);
  }
  HRESULT LoadResult(const ByteVector& bytes) {
    HRESULT hr = S_OK;
    Load(bytes, &hr);
    return hr;
  }

  TempDir dir;
  HeadlessDevice device;
  ComPtr<IVeyaShader> shader = MakeQuietShader();
};

TEST_F(SceneLoaderTest, HeaderOnlyFileLoadsEmptyAndSavesWithTotal64) {
  ASSERT_NE(device.Get(), nullptr);
  const ByteVector empty = SceneFile(dir).Build();
  ComPtr<IVeya2> scene = Load(empty);
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->GetLayerCount() + scene->GetMotionCount() + scene->GetSurfaceCount() +
                scene->GetCameraCount() + scene->GetCollisionGroupCount() +
                scene->GetCollisionLayerCount(),
            0);
  D3DXVECTOR3 min(9, 9, 9), max(9, 9, 9);
  ASSERT_EQ(scene->GetBoundingBox(&min, &max), S_OK);
  EXPECT_EQ(min, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(max, D3DXVECTOR3(0, 0, 0));
  ComPtr<IVeyaLipsync> lipsync(scene->GetLipsync());
  ComPtr<IVeyaBlink> blink(scene->GetBlink());
  ASSERT_TRUE(lipsync && blink);

  // The saved file is the header, then the empty lip-sync and blink.
  SceneFile expected(dir);
  expected.Object("LIPS", lipsync.Get()).Object("BLNK", blink.Get());
  const ByteVector saved = SavedBytes(dir, scene.Get());
  EXPECT_EQ(saved, expected.Build());
  ASSERT_EQ(saved.size(), 72u);
  EXPECT_EQ(saved[4], 64);

  ComPtr<IVeya2> again = Load(saved);
  ASSERT_TRUE(again);
  EXPECT_EQ(SavedBytes(dir, again.Get(), "again.vmf"), saved);
}

TEST_F(SceneLoaderTest, UnknownChunksAreSkippedAndLightsKeepTheReaderAligned) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeyaMotion> motion = MakeMotion(0, 0xFFFF, 1.0f, "after");
  SceneFile file(dir);
  file.Chunk("XTRA", {1, 2, 3, 4, 5})
      .Count("LITN", 2)
      .Chunk("LIGT", {})
      .Chunk("LIGT", {7, 7, 7})  // a light reads nothing; what it carries is passed over
      .Count("MOTN", 1)
      .Object("MOTI", motion.Get())
      .Chunk("ZZZZ", {});
  HRESULT hr = S_OK;
  ComPtr<IVeya2> scene = Load(file.Build(), &hr);
  ASSERT_TRUE(scene) << std::hex << hr;
  ASSERT_EQ(scene->GetMotionCount(), 1);
  ComPtr<IVeyaMotion> loaded(scene->GetMotion(0));
  EXPECT_STREQ(loaded->GetName(), "after");

  // Both lights are written back, each as an empty chunk counted in total.
  const ByteVector saved = SavedBytes(dir, scene.Get());
  ComPtr<IVeya2> again = Load(saved);
  ASSERT_TRUE(again);
  EXPECT_EQ(SavedBytes(dir, again.Get(), "again.vmf"), saved);
  const std::string text(saved.begin(), saved.end());
  const size_t first = text.find("LIGT");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(text.compare(first + 8, 4, "LIGT"), 0);
}

TEST_F(SceneLoaderTest, ParentsLinkWhicheverComesFirst) {
  ASSERT_NE(device.Get(), nullptr);
  // Motion 0 names a later parent, motion 2 an earlier one, motion 1 none.
  ComPtr<IVeyaMotion> motions[] = {MakeMotion(0, 2), MakeMotion(1), MakeMotion(2, 1)};
  SceneFile file(dir);
  file.Count("MOTN", 3);
  for (auto& motion : motions) file.Object("MOTI", motion.Get());
  ComPtr<IVeya2> scene = Load(file.Build());
  ASSERT_TRUE(scene);
  ComPtr<IVeyaMotion> loaded[3] = {ComPtr<IVeyaMotion>(scene->GetMotion(0)),
                                   ComPtr<IVeyaMotion>(scene->GetMotion(1)),
                                   ComPtr<IVeyaMotion>(scene->GetMotion(2))};
  EXPECT_EQ(loaded[0]->GetParent(), loaded[2].Get());
  EXPECT_EQ(loaded[1]->GetParent(), nullptr);
  EXPECT_EQ(loaded[2]->GetParent(), loaded[1].Get());

  // The chain poses as one: three motions each moved by the frame along X.
  ASSERT_EQ(scene->SetPlayTime(5, 0, 100, 1), S_OK);
  D3DXMATRIX world;
  loaded[0]->GetWorldMatrix(&world);
  EXPECT_NEAR(world._41, 15.0f, 1e-3f);
}

TEST_F(SceneLoaderTest, FullSceneReadsAndWritesBackByteForByte) {
  ASSERT_NE(device.Get(), nullptr);
  const ByteVector original = SampleScene(dir, device.Get());
  ComPtr<IVeya2> scene = Load(original);
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->GetLayerCount(), 2);
  EXPECT_EQ(scene->GetMotionCount(), 3);
  EXPECT_EQ(scene->GetSurfaceCount(), 2);
  EXPECT_EQ(scene->GetCameraCount(), 1);
  EXPECT_EQ(scene->GetCollisionGroupCount(), 2);
  EXPECT_EQ(scene->GetCollisionLayerCount(), 1);
  D3DXVECTOR3 min, max;
  scene->GetBoundingBox(&min, &max);
  EXPECT_EQ(min, D3DXVECTOR3(-2, -2, -3));
  EXPECT_EQ(max, D3DXVECTOR3(4, 7, 6));

  // The writer's order is the order the sample was assembled in.
  const ByteVector saved = SavedBytes(dir, scene.Get());
  EXPECT_EQ(saved, original);
  ComPtr<IVeya2> again = Load(saved);
  ASSERT_TRUE(again);
  EXPECT_EQ(SavedBytes(dir, again.Get(), "again.vmf"), original);
  ComPtr<IVeyaLayer> face(again->GetLayer(1));
  EXPECT_STREQ(face->GetName(), "face");
  ComPtr<IVeyaSurface> cloth(again->GetSurface(1));
  EXPECT_STREQ(cloth->GetName(), "cloth");

  // An index left naming nothing would make a file the loader refuses:
  // Save writes nothing and says so.
  const WORD surface = face->GetMesh(0)->surfaceIndex;
  face->GetMesh(0)->surfaceIndex = 9;
  EXPECT_EQ(again->Save(dir.File("broken.vmf").c_str()), E_FAIL);
  EXPECT_FALSE(std::ifstream(dir.File("broken.vmf")).good());
  face->GetMesh(0)->surfaceIndex = surface;

  // Collision bones were bound from the motion table after loading.
  ComPtr<IVeyaCollisionLayer> hits(again->GetCollisionLayer(0));
  ComPtr<IVeyaMotion> root(again->GetMotion(2));
  EXPECT_EQ(hits->GetVertex(2)->bones[0], root.Get());
}

// Each case breaks one rule of the format; every one must fail cleanly (the
// leak check of the sanitizer build covers what the half-built scene held).
TEST_F(SceneLoaderTest, MalformedFilesAreRefused) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeyaMotion> motion = MakeMotion(0);
  ComPtr<IVeyaMotion> orphan = MakeMotion(0, 5);
  ComPtr<IVeyaSurface> surface = MakeSurface(device.Get(), 0, "s");
  IVeyaCollisionGroup* group = nullptr;
  CreateCollisionGroup(&group, 0, 0, nullptr, 0, nullptr);
  ComPtr<IVeyaCollisionGroup> heldGroup(group);
  IVeyaCollisionLayer* clay = nullptr;
  CreateCollisionLayer(&clay, nullptr, 0, nullptr, nullptr, 0);
  ComPtr<IVeyaCollisionLayer> heldClay(clay);
  auto withMotion = [&](SceneFile& f) -> SceneFile& {
    return f.Count("MOTN", 1).Object("MOTI", motion.Get());
  };
  struct Case {
    const char* what;
    std::function<ByteVector()> bytes;
  };
  const std::vector<Case> cases = {
      {"object before its count",
       [&] { return SceneFile(dir).Object("MOTI", motion.Get()).Build(); }},
      {"more objects than the count",
       [&] {
         SceneFile f(dir);
         return withMotion(f).Object("MOTI", motion.Get()).Build();
       }},
      {"a second count chunk",
       [&] {
         SceneFile f(dir);
         return withMotion(f).Count("MOTN", 1).Build();
       }},
      {"count chunk of 3 bytes", [&] { return SceneFile(dir).Count("SRFN", 1, 3).Build(); }},
      {"count chunk of 1 byte", [&] { return SceneFile(dir).Count("SRFN", 1, 1).Build(); }},
      {"groups after a collision layer",
       [&] {
         return SceneFile(dir)
             .Count("CLNM", 1)
             .Object("CLAY", clay)
             .Count("CGNM", 1)
             .Object("CGRP", group)
             .Build();
       }},
      {"a second lip-sync",
       [&] {
         IVeyaLipsync* lips = nullptr;
         CreateLipsync(&lips, nullptr, 0, nullptr);
         ComPtr<IVeyaLipsync> held(lips);
         return SceneFile(dir).Object("LIPS", lips).Object("LIPS", lips).Build();
       }},
      {"a second blink",
       [&] {
         IVeyaBlink* blink = nullptr;
         CreateBlink(&blink, nullptr, 0, nullptr);
         ComPtr<IVeyaBlink> held(blink);
         return SceneFile(dir).Object("BLNK", blink).Object("BLNK", blink).Build();
       }},
      {"total past the end of the data",
       [&] {
         SceneFile f(dir);
         const ByteVector good = withMotion(f).Build();
         return f.Build(DWORD(good.size()));
       }},
      {"a chunk past the total",
       [&] {
         SceneFile f(dir);
         const ByteVector good = withMotion(f).Build();
         return f.Build(DWORD(good.size() - 8 - 1));
       }},
      {"a chunk header cut by the total",
       [&] { return SceneFile(dir).Chunk("XTRA", {}).Build(4); }},
      {"an unknown chunk running past the file",
       [&] {
         ByteVector bytes = SceneFile(dir).Chunk("XTRA", ByteVector(10)).Build();
         bytes.resize(bytes.size() - 4);
         return bytes;
       }},
      {"a parent index past the table",
       [&] { return SceneFile(dir).Count("MOTN", 1).Object("MOTI", orphan.Get()).Build(); }},
      {"a motion that is its own parent",
       [&] {
         return SceneFile(dir).Count("MOTN", 1).Object("MOTI", MakeMotion(0, 0).Get()).Build();
       }},
      {"a mesh surface past the table",
       [&] {
         ComPtr<IVeyaLayer> layer = MakeLayer(device.Get(), 0, "l", {FanMesh(3, 1)});
         return SceneFile(dir)
             .Count("SRFN", 1)
             .Object("SURF", surface.Get())
             .Count("LYRN", 1)
             .Object("LYER", layer.Get())
             .Build();
       }},
      {"a camera on a missing motion",
       [&] { return SceneFile(dir).Count("CAMN", 1).Object("CAM ", MakeCamera(0).Get()).Build(); }},
      {"a layer link past the motions",
       [&] {
         ComPtr<IVeyaLayer> layer = MakeLayer(device.Get(), 0, "l", {}, {1, 0});
         SceneFile f(dir);
         return withMotion(f).Count("LYRN", 1).Object("LYER", layer.Get()).Build();
       }},
      {"a link register past 77",
       [&] {
         ComPtr<IVeyaLayer> layer = MakeLayer(device.Get(), 0, "l", {}, {0, 0}, {{0, 78}});
         SceneFile f(dir);
         return withMotion(f).Count("LYRN", 1).Object("LYER", layer.Get()).Build();
       }},
      {"a bone on a missing motion",
       [&] {
         ComPtr<IVeyaLayer> layer = MakeLayer(device.Get(), 0, "l", {});
         layer->SetBoneCount(1);
         layer->GetBone(0)->motionIndex = 3;
         SceneFile f(dir);
         return withMotion(f).Count("LYRN", 1).Object("LYER", layer.Get()).Build();
       }},
      {"a morph target past the layers",
       [&] {
         ComPtr<IVeyaLayer> layer = MakeLayer(device.Get(), 0, "l", {});
         layer->SetMorphEnabled(1);
         layer->GetMorphTargetTrack()->defaultValue = 4;
         return SceneFile(dir).Count("LYRN", 1).Object("LYER", layer.Get()).Build();
       }},
      {"a lip-sync on missing layers",
       [&] {
         IVeyaLipsync* lips = nullptr;
         CreateLipsync(&lips, nullptr, 0, nullptr);
         ComPtr<IVeyaLipsync> held(lips);
         lips->SetMode(kMorphModeFixed);
         return SceneFile(dir).Object("LIPS", lips).Build();
       }},
      {"a keyed blink on missing layers",
       [&] {
         IVeyaBlink* blink = nullptr;
         CreateBlink(&blink, nullptr, 0, nullptr);
         ComPtr<IVeyaBlink> held(blink);
         blink->SetMode(kMorphModeFromTrack);
         PairTrack* track = blink->GetTrack();
         track->keyCount = 1;
         track->keys.reset(new PairKey[1]{{0, {0, 9, 100}}});
         return SceneFile(dir).Object("BLNK", blink).Build();
       }},
      {"wrong magic",
       [&] {
         ByteVector bytes = SceneFile(dir).Build();
         bytes[3] = '3';
         return bytes;
       }},
      {"a header cut short",
       [&] {
         return ByteVector{'V', 'M', 'F', '4', 0};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LoadResult(c.bytes()), E_FAIL);
  }
}

TEST_F(SceneLoaderTest, CreatorArgumentsAreChecked) {
  ASSERT_NE(device.Get(), nullptr);
  const std::string path = dir.Write("empty.vmf", SceneFile(dir).Build());
  IVeya2* scene = reinterpret_cast<IVeya2*>(uintptr_t(1));
  EXPECT_EQ(CreateVeya2(&scene, path.c_str(), nullptr, shader.Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(scene, nullptr);
  EXPECT_EQ(CreateVeya2(&scene, path.c_str(), device.Get(), nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(CreateVeya2(&scene, nullptr, device.Get(), shader.Get(), nullptr), E_INVALIDARG);
  EXPECT_TRUE(FAILED(
      CreateVeya2(&scene, dir.File("missing.vmf").c_str(), device.Get(), shader.Get(), nullptr)));
  EXPECT_EQ(scene, nullptr);
}

// A motion linked to its own descendant forms a ring of references that only
// the scene can cut; the sanitizer build's leak check proves it does.
TEST_F(SceneLoaderTest, LinkRingsAmongMotionsAreFreedWithTheScene) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeyaMotion> motions[] = {MakeMotion(0), MakeMotion(1, 0), MakeMotion(2, 1)};
  SceneFile file(dir);
  file.Count("MOTN", 3);
  for (auto& motion : motions) file.Object("MOTI", motion.Get());
  ComPtr<IVeya2> scene = Load(file.Build());
  ASSERT_TRUE(scene);
  ComPtr<IVeyaMotion> top(scene->GetMotion(0)), leaf(scene->GetMotion(2));
  ASSERT_EQ(top->SetLinkedMotion(leaf.Get()), S_OK);
  EXPECT_EQ(scene->SetPlayTime(3, 0, 10, 0), S_OK);
}

// The scene file fuzzer's seeds: the sample scene, which loads, its cuts,
// which are refused, and the empty scene. With TAVORIN_SCENE_SEEDS naming a
// folder they are also written there.
TEST_F(SceneLoaderTest, FuzzSeedsAreScenesThatLoadAndCutsThatAreRefused) {
  ASSERT_NE(device.Get(), nullptr);
  const ByteVector sample = SampleScene(dir, device.Get());
  std::vector<std::pair<std::string, ByteVector>> seeds = {{"sample.vmf", sample},
                                                           {"empty.vmf", SceneFile(dir).Build()}};
  for (size_t cut : {size_t(9), sample.size() / 3, sample.size() / 2, sample.size() - 1}) {
    seeds.emplace_back("sample-cut-" + std::to_string(cut) + ".vmf",
                       ByteVector(sample.begin(), sample.begin() + long(cut)));
  }
  const char* folder = std::getenv("TAVORIN_SCENE_SEEDS");
  for (const auto& [name, bytes] : seeds) {
    SCOPED_TRACE(name);
    HRESULT hr = S_OK;
    ComPtr<IVeya2> scene = Load(bytes, &hr);
    bool whole = name.find("-cut-") == std::string::npos;
    EXPECT_EQ(bool(scene), whole);
    EXPECT_EQ(SUCCEEDED(hr), whole);
    if (folder == nullptr) continue;
    std::ofstream out(std::string(folder) + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
}

}  // namespace
