// Editing a scene: removing layers and surfaces with the renumbering that
// keeps every mesh on its own surface, collision layers and groups, and
// collision layers made from layers, each also after saving and loading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SceneTestSupport.h"

namespace {

using tavorin::ComPtr;
using namespace tavorin::test;

class SceneEditingTest : public ::testing::Test {
 protected:
  ComPtr<IVeya2> Load(const ByteVector& bytes) {
    return LoadSceneBytes(dir, bytes, device.Get(), shader.Get());
  }
  ComPtr<IVeya2> Reload(IVeya2* scene) { return Load(SavedBytes(dir, scene, "edited.vmf")); }
  // Surfaces named "s0", "s1", ... and the layers given, each mesh a fan of
  // its own vertex count so it can be told apart.
  ByteVector Scene(WORD surfaces, const std::vector<std::vector<MeshSpec>>& layers,
                   WORD motions = 0) {
    SceneFile file(dir);
    file.Count("SRFN", surfaces);
    for (WORD s = 0; s < surfaces; ++s) {
      const std::string name = "s" + std::to_string(s);
      file.Object("SURF", MakeSurface(device.Get(), s, name.c_str()).Get());
    }
    if (motions > 0) {
      file.Count("MOTN", motions);
      for (WORD m = 0; m < motions; ++m) file.Object("MOTI", MakeMotion(m).Get());
    }
    file.Count("LYRN", WORD(layers.size()));
    for (size_t l = 0; l < layers.size(); ++l) {
      const std::string name = "l" + std::to_string(l);
      file.Object("LYER", MakeLayer(device.Get(), WORD(l), name.c_str(), layers[l]).Get());
    }
    return file.Build();
  }
  // Each layer as its meshes' (vertex count, surface name) pairs.
  static std::vector<std::vector<std::string>> Describe(IVeya2* scene) {
    std::vector<std::vector<std::string>> shape;
    for (WORD l = 0; l < scene->GetLayerCount(); ++l) {
      ComPtr<IVeyaLayer> layer(scene->GetLayer(l));
      shape.emplace_back();
      for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
        const LayerMesh* mesh = layer->GetMesh(m);
        ComPtr<IVeyaSurface> surface(scene->GetSurface(mesh->surfaceIndex));
        shape.back().push_back(std::to_string(mesh->vertexCount) + ":" +
                               (surface ? surface->GetName() : "?"));
      }
    }
    return shape;
  }

  TempDir dir;
  HeadlessDevice device;
  ComPtr<IVeyaShader> shader = MakeQuietShader();
};

using Shape = std::vector<std::vector<std::string>>;

TEST_F(SceneEditingTest, RemovingALayerTakesTheSurfacesOnlyItUsed) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = Load(
      Scene(4, {{FanMesh(3, 0), FanMesh(4, 2)}, {FanMesh(5, 1), FanMesh(6, 3)}, {FanMesh(7, 3)}}));
  ASSERT_TRUE(scene);
  ASSERT_EQ(scene->RemoveLayer(1), S_OK);
  EXPECT_EQ(scene->GetSurfaceCount(), 3);
  const Shape expected = {{"3:s0", "4:s2"}, {"7:s3"}};
  EXPECT_EQ(Describe(scene.Get()), expected);
  ComPtr<IVeya2> again = Reload(scene.Get());
  ASSERT_TRUE(again);
  EXPECT_EQ(Describe(again.Get()), expected);

  // Swapping renumbers nothing: meshes keep their surfaces.
  ASSERT_EQ(again->SwapLayers(0, 1), S_OK);
  EXPECT_EQ(Describe(again.Get()), (Shape{{"7:s3"}, {"3:s0", "4:s2"}}));
}

TEST_F(SceneEditingTest, RemovingASurfaceTakesItsMeshesAndEmptiedLayers) {
  ASSERT_NE(device.Get(), nullptr);
  // Layer 1 uses only s0; once it goes, s1 is unused, while s2 is still
  // used by layer 0 and must stay, whatever order the layers are visited in.
  ComPtr<IVeya2> scene = Load(Scene(3, {{FanMesh(3, 0), FanMesh(5, 2)}, {FanMesh(4, 0)}, {}}));
  ASSERT_TRUE(scene);
  ASSERT_EQ(scene->RemoveSurface(0), S_OK);
  const Shape expected = {{"5:s2"}};
  EXPECT_EQ(Describe(scene.Get()), expected);
  EXPECT_EQ(scene->GetSurfaceCount(), 1);
  ComPtr<IVeya2> again = Reload(scene.Get());
  ASSERT_TRUE(again);
  EXPECT_EQ(Describe(again.Get()), expected);

  ComPtr<IVeya2> other = Load(Scene(3, {{FanMesh(3, 1), FanMesh(4, 2)}, {FanMesh(5, 0)}}));
  ASSERT_TRUE(other);
  ASSERT_EQ(other->RemoveSurface(1), S_OK);
  EXPECT_EQ(Describe(other.Get()), (Shape{{"4:s2"}, {"5:s0"}}));
}

// Groups G0, G1, G2; collision layer 0 uses G0 (1 triangle) and G2 (2),
// collision layer 1 uses G1 (1) and G2 (1).
ByteVector CollisionScene(const TempDir& dir) {
  SceneFile file(dir);
  IVeyaCollisionGroup* groups[3] = {};
  file.Count("CGNM", 3);
  for (WORD g = 0; g < 3; ++g) {
    CreateCollisionGroup(&groups[g], WORD(10 + g), g, nullptr, 0, nullptr);
    const std::string name = "G" + std::to_string(g);
    groups[g]->SetName(name.c_str());
    file.Object("CGRP", groups[g]);
  }
  file.Count("CLNM", 2);
  const std::vector<std::vector<std::pair<int, WORD>>> layers = {{{0, 1}, {2, 2}},
                                                                 {{1, 1}, {2, 1}}};
  for (const auto& meshes : layers) {
    IVeyaCollisionLayer* layer = nullptr;
    CreateCollisionLayer(&layer, nullptr, 0, nullptr, groups, 3);
    layer->SetEnable(1);
    layer->AllocateVertices(3);
    layer->AllocateMeshes(WORD(meshes.size()));
    for (size_t m = 0; m < meshes.size(); ++m) {
      CollisionMesh* mesh = layer->GetMesh(WORD(m));
      mesh->group = groups[meshes[m].first];
      mesh->group->AddRef();
      mesh->polygonCount = meshes[m].second;
      mesh->polygons = new CollisionPolygon[mesh->polygonCount];
      for (WORD p = 0; p < mesh->polygonCount; ++p) mesh->polygons[p] = {{0, 1, 2}};
    }
    file.Object("CLAY", layer);
    layer->Release();
  }
  for (IVeyaCollisionGroup* group : groups) group->Release();
  return file.Build();
}

std::vector<std::string> GroupNames(IVeya2* scene) {
  std::vector<std::string> names;
  for (WORD g = 0; g < scene->GetCollisionGroupCount(); ++g) {
    ComPtr<IVeyaCollisionGroup> group(scene->GetCollisionGroup(g));
    EXPECT_EQ(group->GetIndex(), g);
    names.push_back(group->GetName());
  }
  return names;
}

TEST_F(SceneEditingTest, CollisionGroupsAreCountedAndRemovedWithTheirMeshes) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = Load(CollisionScene(dir));
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->GetCollisionGroupUseCount(0), 1);
  EXPECT_EQ(scene->GetCollisionGroupUseCount(1), 1);
  EXPECT_EQ(scene->GetCollisionGroupUseCount(2), 3);
  EXPECT_EQ(scene->GetCollisionGroupUseCount(3), 0);

  // Without collision layer 1, G1 is used by nothing and goes; G2 moves down.
  ASSERT_EQ(scene->RemoveCollisionLayer(1), S_OK);
  EXPECT_EQ(GroupNames(scene.Get()), (std::vector<std::string>{"G0", "G2"}));
  EXPECT_EQ(scene->GetCollisionGroupUseCount(1), 2);

  // Removing G0 moves G2 onto index 0; G2's mesh stays, G0's goes.
  ASSERT_EQ(scene->RemoveCollisionGroup(0), S_OK);
  EXPECT_EQ(GroupNames(scene.Get()), (std::vector<std::string>{"G2"}));
  ComPtr<IVeyaCollisionLayer> layer(scene->GetCollisionLayer(0));
  ASSERT_EQ(layer->GetMeshCount(), 1);
  EXPECT_STREQ(layer->GetMesh(0)->group->GetName(), "G2");
  EXPECT_EQ(scene->GetCollisionGroupUseCount(0), 2);

  ComPtr<IVeya2> again = Reload(scene.Get());
  ASSERT_TRUE(again);
  EXPECT_EQ(GroupNames(again.Get()), (std::vector<std::string>{"G2"}));
  EXPECT_EQ(again->GetCollisionGroupUseCount(0), 2);
}

TEST_F(SceneEditingTest, CollisionLayerFromALayerKeepsGeometrySkinningAndGroups) {
  ASSERT_NE(device.Get(), nullptr);
  MeshSpec first = FanMesh(4, 0);
  first.vertices[1] = MakeVertex(1, 2, 3, {1, 2, 0, 0}, {0.5f, 0.5f, 0, 0});
  first.vertices[2] = MakeVertex(4, 5, 6, {2, 9, 0, 0}, {1, 0, 0, 0});
  first.vertices[3] = MakeVertex(7, 8, 9, {5, 0, 0, 0}, {1, 0, 0, 0});  // no link names 5
  SceneFile file(dir);
  ComPtr<IVeyaSurface> cloth = MakeSurface(device.Get(), 1, "cloth");
  cloth->SetDoubleSided(1);
  cloth->SetColorRed(0.5f);
  cloth->SetColorGreen(1.0f);
  cloth->SetColorBlue(1.0f);
  cloth->SetDiffuse(0.5f);
  file.Count("SRFN", 2)
      .Object("SURF", MakeSurface(device.Get(), 0, "skin").Get())
      .Object("SURF", cloth.Get());
  file.Count("MOTN", 3);
  for (WORD m = 0; m < 3; ++m) file.Object("MOTI", MakeMotion(m).Get());
  ComPtr<IVeyaLayer> layer = MakeLayer(
      device.Get(), 0, "arm", {first, FanMesh(5, 1), FanMesh(6, 0)}, {0, 0}, {{1, 1}, {2, 2}});
  ComPtr<IVeyaLayer> bad = MakeLayer(device.Get(), 1, "bad", {FanMesh(3, 0)}, {0, 0});
  MeshSpec far = FanMesh(3, 0);
  far.vertices[0] = MakeVertex(0, 0, 0, {78, 0, 0, 0}, {1, 0, 0, 0});
  ComPtr<IVeyaLayer> outOfRange = MakeLayer(device.Get(), 2, "far", {far}, {0, 0});
  file.Count("LYRN", 3)
      .Object("LYER", layer.Get())
      .Object("LYER", bad.Get())
      .Object("LYER", outOfRange.Get());
  ComPtr<IVeya2> scene = Load(file.Build());
  ASSERT_TRUE(scene);

  ASSERT_EQ(scene->AddCollisionLayerFromLayer(0), S_OK);
  ASSERT_EQ(scene->GetCollisionLayerCount(), 1);
  ASSERT_EQ(scene->GetCollisionGroupCount(), 2);
  auto check = [&](IVeya2* s) {
    ComPtr<IVeyaCollisionLayer> hits(s->GetCollisionLayer(0));
    ComPtr<IVeyaMotion> motions[3] = {ComPtr<IVeyaMotion>(s->GetMotion(0)),
                                      ComPtr<IVeyaMotion>(s->GetMotion(1)),
                                      ComPtr<IVeyaMotion>(s->GetMotion(2))};
    EXPECT_STREQ(hits->GetName(), "arm");
    ASSERT_EQ(hits->GetVertexCount(), 15);
    ASSERT_EQ(hits->GetMeshCount(), 3);
    const CollisionVertex* both = hits->GetVertex(1);
    EXPECT_EQ(both->restPosition, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(both->bones[0], motions[1].Get());
    EXPECT_EQ(both->bones[1], motions[2].Get());
    EXPECT_EQ(both->bones[2], nullptr);
    EXPECT_FLOAT_EQ(both->weights[1], 0.5f);
    const CollisionVertex* one = hits->GetVertex(2);
    EXPECT_EQ(one->bones[0], motions[2].Get());
    EXPECT_EQ(one->bones[1], nullptr);  // weight 0: register 9 is not looked at
    EXPECT_EQ(hits->GetVertex(3)->bones[0], nullptr);
    EXPECT_EQ(hits->GetVertex(0)->bones[0], motions[0].Get());
    // The second mesh's triangles name its own vertices, 4 to 8.
    const CollisionMesh* second = hits->GetMesh(1);
    ASSERT_EQ(second->polygonCount, 3);
    for (WORD p = 0; p < 3; ++p) {
      for (WORD corner : second->polygons[p].vertices) {
        EXPECT_GE(corner, 4);
        EXPECT_LE(corner, 8);
      }
    }
    EXPECT_EQ(second->polygons[0].vertices[0], 4);
    EXPECT_EQ(hits->GetMesh(0)->group, hits->GetMesh(2)->group);
    EXPECT_STREQ(second->group->GetName(), "cloth");
    EXPECT_EQ(second->group->GetSide(), 1);
    EXPECT_EQ(second->group->GetId(), 1);
    D3DXCOLOR color;
    second->group->GetColor(&color);
    EXPECT_FLOAT_EQ(color.r, 0.25f);
    EXPECT_FLOAT_EQ(color.g, 0.5f);
  };
  check(scene.Get());
  ComPtr<IVeya2> again = Reload(scene.Get());
  ASSERT_TRUE(again);
  check(again.Get());

  // A second conversion reuses the groups; a register past 77 is refused and
  // leaves the tables as they were.
  ASSERT_EQ(again->AddCollisionLayerFromLayer(1), S_OK);
  EXPECT_EQ(again->GetCollisionGroupCount(), 2);
  EXPECT_EQ(again->GetCollisionLayerCount(), 2);
  EXPECT_EQ(again->AddCollisionLayerFromLayer(2), E_FAIL);
  EXPECT_EQ(again->GetCollisionLayerCount(), 2);
  EXPECT_EQ(again->GetCollisionGroupCount(), 2);
  EXPECT_EQ(again->CompareCollisionLayers(0, 1), E_FAIL);
}

}  // namespace
