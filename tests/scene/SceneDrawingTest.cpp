// Drawing a loaded scene through a shading service that writes down every
// call, with the device states it found and what each draw fed the vertex
// stage.
#include <algorithm>
#include <array>
#include <cmath>

#include <gtest/gtest.h>

#include "scene/SceneDrawingTestSupport.h"
#include "support/HeadlessDevice.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::HeadlessDevice;
using tavorin::test::LoadSceneBytes;
using tavorin::test::MakeMotion;
using tavorin::test::ManualClock;
using tavorin::test::SceneFile;
using tavorin::test::TempDir;
using namespace tavorin::test::drawing;
using Texts = std::vector<std::string>;

const float kWeight[3] = {0.25f, 0.25f, 0.25f};

void ExpectMatrix(const D3DXMATRIX& actual, const D3DXMATRIX& expected) {
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(actual[i], expected[i]) << "element " << i;
}

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

class SceneDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(m_device.Get(), nullptr);
    m_shader.reset(new RecordingShader(m_device.Get()));
    ASSERT_EQ(Device()->BeginScene(), S_OK);
  }
  void TearDown() override { Device()->EndScene(); }

  IDirect3DDevice9* Device() const { return m_device.Get(); }
  ComPtr<IVeyaLayer> Layer(WORD number, const std::vector<std::array<WORD, 3>>& meshes,
                           MotionLink main = {-1, 0}, const std::vector<MotionLink>& links = {}) {
    return TaggedLayer(Device(), number, meshes, main, links);
  }
  ComPtr<IVeyaSurface> Surface(WORD number, const SurfaceLook& look) {
    return DrawnSurface(Device(), number, look);
  }
  // A count chunk and one object chunk per component.
  template <class Interface>
  static void Table(SceneFile& file, const char* countTag, const char* tag,
                    const std::vector<ComPtr<Interface>>& components) {
    file.Count(countTag, WORD(components.size()));
    for (const ComPtr<Interface>& component : components) file.Object(tag, component.Get());
  }
  // Loads the file and poses it at frame 0 with the calls of loading
  // forgotten.
  ComPtr<IVeya2> Load(const SceneFile& file) {
    ComPtr<IVeya2> scene = LoadSceneBytes(m_dir, file.Build(), Device(), m_shader.get());
    if (scene) scene->SetPlayTime(0, 0, 0, 0);
    m_shader->calls.clear();
    return scene;
  }
  // Moves motion `index` by `offset` and poses the scene again.
  void Offset(IVeya2* scene, WORD index, const D3DXVECTOR3& offset) {
    ComPtr<IVeyaMotion> motion(scene->GetMotion(index));
    motion->SetTranslationOffset(&offset);
    scene->SetPlayTime(0, 0, 0, 0);
  }
  D3DXMATRIX Skin(IVeya2* scene, WORD index) {
    ComPtr<IVeyaMotion> motion(scene->GetMotion(index));
    D3DXMATRIX m;
    motion->GetSkinMatrix(&m);
    return m;
  }
  // Distinct values in the states every layer draw saves.
  void SetMarkedStates() {
    Device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    Device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    Device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
    Device()->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    Device()->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  }
  void ExpectMarkedStates() {
    DWORD value = 0;
    Device()->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CW));
    Device()->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_ZERO));
    Device()->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_SRCCOLOR));
    Device()->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(D3DZB_FALSE));
    Device()->GetRenderState(D3DRS_ZWRITEENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
  }
  DWORD ColorWrite() {
    DWORD value = 0;
    Device()->GetRenderState(D3DRS_COLORWRITEENABLE, &value);
    return value;
  }
  RecordingShader& Shader() { return *m_shader; }

  TempDir m_dir;
  HeadlessDevice m_device;

 private:
  struct Releaser {
    void operator()(RecordingShader* shader) const { shader->Release(); }
  };
  std::unique_ptr<RecordingShader, Releaser> m_shader;
};

TEST_F(SceneDrawingTest, LayerDrawSkinsShadesEveryMeshAndRestoresItsStates) {
  // Links to another motion, to none (the main link's matrix), one without a
  // register (skipped), and one edited below to name a motion the table does
  // not hold (the main link's matrix too).
  SceneFile file(m_dir);
  Table<IVeyaMotion>(file, "MOTN", "MOTI", {MakeMotion(0), MakeMotion(1)});
  Table<IVeyaSurface>(file, "SRFN", "SURF", {Surface(0, {3, 1}), Surface(1, {5, 4})});
  Table<IVeyaLayer>(file, "LYRN", "LYER",
                    {Layer(0, {{4, 2, 1}, {3, 1, 0}}, {1, 2}, {{0, 3}, {-1, 4}, {0, -1}, {0, 5}})});
  ComPtr<IVeya2> scene = Load(file);
  ASSERT_TRUE(scene);
  ComPtr<IVeyaLayer> edited(scene->GetLayer(0));
  edited->SetMotionLink(3, {7, 5});
  Offset(scene.Get(), 0, {1, 2, 3});
  Offset(scene.Get(), 1, {-4, 5, 6});
  SetMarkedStates();

  ASSERT_EQ(scene->DrawLayer(0, 7, 0), S_OK);
  EXPECT_EQ(Shader().Texts(),
            (Texts{"SetMatrix 2", "SetMatrix 3", "SetMatrix 4", "SetMatrix 5", "SetMaterial 5 7",
                   "Begin 5 0", "End L0M0 x4", "SetMaterial 3 7", "Begin 3 0", "End L0M1 x3"}));
  const auto& calls = Shader().calls;
  ExpectMatrix(calls[0].matrix, Skin(scene.Get(), 1));
  ExpectMatrix(calls[0].matrix, Translation(-4, 5, 6));
  ExpectMatrix(calls[1].matrix, Skin(scene.Get(), 0));
  ExpectMatrix(calls[2].matrix, calls[0].matrix);
  ExpectMatrix(calls[3].matrix, calls[0].matrix);
  // Each mesh is drawn in its surface's blend mode (4: screen, 1: additive).
  EXPECT_EQ(calls[5].srcBlend, DWORD(D3DBLEND_ONE));
  EXPECT_EQ(calls[5].destBlend, DWORD(D3DBLEND_INVSRCCOLOR));
  EXPECT_EQ(calls[8].srcBlend, DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(calls[8].destBlend, DWORD(D3DBLEND_ONE));
  ExpectMarkedStates();

  // A main link to no motion gives the identity.
  Shader().calls.clear();
  SceneFile bare(m_dir);
  Table<IVeyaSurface>(bare, "SRFN", "SURF", {Surface(0, {})});
  Table<IVeyaLayer>(bare, "LYRN", "LYER", {Layer(0, {{3, 1, 0}}, {-1, 6})});
  ComPtr<IVeya2> motionless = Load(bare);
  ASSERT_TRUE(motionless);
  ASSERT_EQ(motionless->DrawLayer(0, 0, 0), S_OK);
  ASSERT_EQ(Shader().Texts("SetMatrix"), Texts{"SetMatrix 6"});
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  ExpectMatrix(Shader().calls[0].matrix, identity);
  // Nor are there joints to mark.
  Shader().calls.clear();
  const float white[4] = {1, 1, 1, 1};
  EXPECT_EQ(motionless->DrawJoints(white), S_OK);
  EXPECT_TRUE(Shader().calls.empty());

  // Out of range, and a mesh whose surface an edit took away: refused before
  // anything is drawn or changed.
  Shader().calls.clear();
  EXPECT_EQ(scene->DrawLayer(1, 0, 0), E_INVALIDARG);
  edited->GetMesh(1)->surfaceIndex = 2;
  EXPECT_EQ(scene->DrawLayer(0, 0, 0), E_FAIL);
  EXPECT_EQ(scene->DrawAll(0, 0), E_FAIL);
  EXPECT_TRUE(Shader().calls.empty());
  ExpectMarkedStates();
}

TEST_F(SceneDrawingTest, LipsyncBlinkAndLayerMorphDrawBaseLayersAsMorphs) {
  ManualClock clock;
  std::vector<ComPtr<IVeyaLayer>> layers;
  for (WORD i = 0; i < 7; ++i) layers.push_back(Layer(i, {{3, 1, 0}}));
  layers[3]->SetMorphEnabled(1);
  layers[3]->GetMorphTargetTrack()->defaultValue = 4;
  layers[3]->GetMorphWeightTrack()->defaultValue = 0.75f;
  SceneFile file(m_dir);
  Table<IVeyaSurface>(file, "SRFN", "SURF", {Surface(0, {})});
  Table(file, "LYRN", "LYER", layers);
  file.Object("LIPS", FixedPair<IVeyaLipsync>(CreateLipsync, 1, 2).Get())
      .Object("BLNK", FixedPair<IVeyaBlink>(CreateBlink, 5, 6, 100).Get());
  ComPtr<IVeya2> scene = Load(file);
  ASSERT_TRUE(scene);
  ComPtr<IVeyaBlink> blink(scene->GetBlink());
  blink->StartBlink();
  clock.Advance(50);

  ASSERT_EQ(scene->DrawAll(0, 0), S_OK);
  // The lip-sync target (2) and the blink target (6) draw only through their
  // morphs; a layer's own morph target (4) still draws by itself.
  EXPECT_EQ(Shader().Texts("End"), (Texts{"End L0M0 x3", "End L1M0+L2M0 x3", "End L3M0+L4M0 x3",
                                          "End L4M0 x3", "End L5M0+L6M0 x3"}));
  // Without a sound the mouth stays shut; the blink is half closed.
  EXPECT_EQ(
      Shader().Texts("SetMorphWeights"),
      (Texts{"SetMorphWeights 0 - -", "SetMorphWeights 0.75 - -", "SetMorphWeights 0.5 - -"}));
  EXPECT_EQ(Shader().Texts("Begin"),
            (Texts{"Begin 0 0", "Begin 0 1", "Begin 0 1", "Begin 0 0", "Begin 0 1"}));

  Shader().calls.clear();
  EXPECT_EQ(scene->DrawLayer(2, 0, 0), S_OK);
  EXPECT_EQ(scene->DrawLayerDepth(6, 0), S_OK);
  EXPECT_TRUE(Shader().calls.empty());
  ASSERT_EQ(scene->DrawLayerDepth(5, 0), S_OK);
  EXPECT_EQ(Shader().Texts("End"), Texts{"End L5M0+L6M0 x3"});

  // Switched off, both pairs draw as plain layers.
  ComPtr<IVeyaLipsync> lipsync(scene->GetLipsync());
  lipsync->SetMode(kMorphModeOff);
  blink->SetMode(kMorphModeOff);
  Shader().calls.clear();
  ASSERT_EQ(scene->DrawAll(0, 0), S_OK);
  EXPECT_EQ(Shader().Texts("End"),
            (Texts{"End L0M0 x3", "End L1M0 x3", "End L2M0 x3", "End L3M0+L4M0 x3", "End L4M0 x3",
                   "End L5M0 x3", "End L6M0 x3"}));
}

TEST_F(SceneDrawingTest, MorphLayersMustMatchAndLeaveNoStreamBehind) {
  const std::vector<std::vector<std::array<WORD, 3>>> meshes = {
      {{3, 1, 0}}, {{4, 1, 0}}, {{3, 1, 0}, {3, 1, 0}}, {{3, 1, 0}}, {{3, 1, 0}}, {{5, 2, 0}}};
  std::vector<ComPtr<IVeyaLayer>> layers;
  for (WORD i = 0; i < meshes.size(); ++i) layers.push_back(Layer(i, meshes[i]));
  SceneFile file(m_dir);
  Table<IVeyaSurface>(file, "SRFN", "SURF", {Surface(0, {})});
  Table(file, "LYRN", "LYER", layers);
  ComPtr<IVeya2> scene = Load(file);
  ASSERT_TRUE(scene);
  SetMarkedStates();

  const float w1[3] = {0.1f, 0.1f, 0.1f}, w2[3] = {0.2f, 0.2f, 0.2f}, w3[3] = {0.3f, 0.3f, 0.3f};
  EXPECT_EQ(scene->DrawLayerMorph2(0, 1, kWeight, 0, 0), E_FAIL);  // vertex counts differ
  EXPECT_EQ(scene->DrawLayerMorph2(0, 2, kWeight, 0, 0), E_FAIL);  // mesh counts differ
  EXPECT_EQ(scene->DrawLayerDepthMorph2(0, 1, kWeight, 0), E_FAIL);
  EXPECT_EQ(scene->DrawLayerMorph4(0, 3, w1, 4, 1, w2, w3, 0, 0), E_FAIL);
  EXPECT_EQ(scene->DrawLayerDepthMorph4(0, 3, w1, 2, 4, w2, w3, 0), E_FAIL);
  EXPECT_EQ(scene->DrawLayerMorph2(0, 6, kWeight, 0, 0), E_INVALIDARG);
  EXPECT_EQ(scene->DrawLayerMorph4(0, 3, w1, 4, 6, w2, w3, 0, 0), E_INVALIDARG);
  EXPECT_EQ(scene->DrawLayerMorph2(0, 3, nullptr, 0, 0), E_POINTER);
  EXPECT_EQ(scene->DrawLayerMorph4(0, 3, w1, 4, 0, nullptr, w3, 0, 0), E_POINTER);
  EXPECT_TRUE(Shader().calls.empty());
  ExpectMarkedStates();

  ASSERT_EQ(scene->DrawLayerMorph4(0, 3, w1, 4, 0, w2, w3, 9, 0), S_OK);
  EXPECT_EQ(Shader().Texts(),
            (Texts{"SetMorphWeights 0.3 0.1 0.2", "SetMatrix 0", "SetMaterial 0 9", "Begin 0 2",
                   "End L0M0+L3M0+L4M0+L0M0 x3"}));
  ExpectMarkedStates();
  // The morph targets' streams are unbound again, so a larger plain mesh
  // drawn next reaches the vertex stage whole.
  Shader().calls.clear();
  ASSERT_EQ(scene->DrawLayer(5, 0, 0), S_OK);
  EXPECT_EQ(Shader().Texts("End"), Texts{"End L5M0 x5"});
}

TEST_F(SceneDrawingTest, OutlinesAndDepthPrepassDrawEveryMeshTwiceAndTurnColourBackOn) {
  SurfaceLook outlined{1, 0, 0.5f};
  outlined.z = 0;
  ComPtr<IVeyaLayer> layer = Layer(0, {{3, 1, 0}, {4, 2, 1}});
  layer->SetDepthPrepass(1);
  SceneFile file(m_dir);
  Table<IVeyaSurface>(file, "SRFN", "SURF", {Surface(0, outlined), Surface(1, {2, 0})});
  Table(file, "LYRN", "LYER", std::vector<ComPtr<IVeyaLayer>>{layer});
  ComPtr<IVeya2> scene = Load(file);
  ASSERT_TRUE(scene);
  ComPtr<IVeyaSurface> surface(scene->GetSurface(1));
  surface->SetZEnable(0);
  surface->SetZWrite(0);
  SetMarkedStates();
  Device()->SetRenderState(D3DRS_COLORWRITEENABLE, 7);

  ASSERT_EQ(scene->DrawLayer(0, 0, 1), S_OK);
  // Mesh 1's surface has no outline (size 0): only mesh 0 gets one.
  const Texts pass = {"SetEdge 0.5",     "BeginEdge 0", "End L0M0 x3",
                      "SetMaterial 1 0", "Begin 1 0",   "End L0M0 x3",
                      "SetMaterial 2 0", "Begin 2 0",   "End L0M1 x4"};
  Texts expected = {"SetMatrix 0"};
  expected.insert(expected.end(), pass.begin(), pass.end());
  expected.insert(expected.end(), pass.begin(), pass.end());
  ASSERT_EQ(Shader().Texts(), expected);
  const auto& calls = Shader().calls;
  for (size_t i = 1; i < calls.size(); ++i) {
    const bool prepass = i <= pass.size();
    EXPECT_EQ(calls[i].colorWrite, prepass ? 0u : 15u) << i;
    if (calls[i].text == "BeginEdge 0") {
      // The pre-pass keeps its own depth states for the outline.
      EXPECT_EQ(calls[i].zEnable, prepass ? DWORD(TRUE) : 0u) << i;
      EXPECT_EQ(calls[i].zWrite, prepass ? DWORD(TRUE) : 0u) << i;
    }
  }
  EXPECT_EQ(calls[7].material.zEnable, 1u);  // forced on in the pre-pass
  EXPECT_EQ(calls[7].material.zWrite, 1u);
  EXPECT_EQ(calls[16].material.zEnable, 0u);
  EXPECT_EQ(calls[16].material.zWrite, 0u);
  EXPECT_FLOAT_EQ(calls[1].edge.red, 0.5f);  // the surface's outline colour and size
  EXPECT_FLOAT_EQ(calls[1].edge.edgeSize, 0.5f);
  EXPECT_EQ(ColorWrite(), 15u);
  ExpectMarkedStates();

  // Without the edge flag no outline is drawn at all.
  Shader().calls.clear();
  ASSERT_EQ(scene->DrawLayer(0, 0, 0), S_OK);
  EXPECT_TRUE(Shader().Texts("SetEdge").empty());
  EXPECT_TRUE(Shader().Texts("BeginEdge").empty());
  EXPECT_EQ(Shader().Texts("End").size(), 4u);
}

TEST_F(SceneDrawingTest, DepthOnlyDrawsUseAPlainMaterialAndCullBySide) {
  SurfaceLook twoSided{4, 0, 0.5f, 1};
  std::vector<ComPtr<IVeyaLayer>> layers;
  for (WORD i = 0; i < 3; ++i) {
    layers.push_back(Layer(i, {{3, 1, 0}, {4, 1, 1}}));
    layers[i]->SetDepthPrepass(i != 1);
    layers[i]->SetShow(i != 2);
  }
  SceneFile file(m_dir);
  Table<IVeyaSurface>(file, "SRFN", "SURF", {Surface(0, twoSided), Surface(1, {3})});
  Table(file, "LYRN", "LYER", layers);
  ComPtr<IVeya2> scene = Load(file);
  ASSERT_TRUE(scene);
  SetMarkedStates();

  // Only layer 0 is visible with the pre-pass flag; mode 1 adds outlines.
  ASSERT_EQ(scene->DrawDepthAll(1), S_OK);
  ASSERT_EQ(Shader().Texts(),
            (Texts{"SetMatrix 0", "SetMaterial 0 0", "SetEdge 0.5", "BeginEdge 0", "End L0M0 x3",
                   "Begin 0 0", "End L0M0 x3", "Begin 0 0", "End L0M1 x4"}));
  const auto& calls = Shader().calls;
  const SurfaceRenderParameters& plain = calls[1].material;
  EXPECT_EQ(plain.red + plain.green + plain.blue + plain.extra, 4.0f);
  EXPECT_EQ(plain.emissive + plain.specular + plain.power, 0.0f);
  EXPECT_EQ(plain.zEnable + plain.zWrite, 2u);
  EXPECT_EQ(calls[2].edge.red + calls[2].edge.green + calls[2].edge.blue, 0.0f);
  EXPECT_EQ(calls[2].edge.alpha, 1.0f);
  EXPECT_EQ(calls[5].cull, DWORD(D3DCULL_NONE));
  EXPECT_EQ(calls[7].cull, DWORD(D3DCULL_CCW));
  for (size_t i = 2; i < calls.size(); ++i) EXPECT_EQ(calls[i].colorWrite, 0u) << i;
  EXPECT_EQ(ColorWrite(), 15u);
  ExpectMarkedStates();

  Shader().calls.clear();
  ASSERT_EQ(scene->DrawLayerDepth(1, 0), S_OK);
  EXPECT_TRUE(Shader().Texts("SetEdge").empty());
  EXPECT_EQ(Shader().Texts("End"), (Texts{"End L1M0 x3", "End L1M1 x4"}));
  EXPECT_EQ(scene->DrawLayerDepth(3, 0), E_INVALIDARG);
}

TEST_F(SceneDrawingTest, JointMarkersAndCollisionTrianglesReachTheServiceAsGeometry) {
  // Bones on motion 1, on none and on motion 0; the hidden layer's are not
  // drawn.
  std::vector<ComPtr<IVeyaLayer>> layers = {Layer(0, {{3, 1, 0}}), Layer(1, {{3, 1, 0}})};
  const std::array<LayerBone, 3> bones = {
      {{nullptr, {}, {}, 2.0f, 1}, {nullptr, {}, {}, 1.0f, 0xFFFF}, {nullptr, {}, {}, 3.0f, 0}}};
  for (const ComPtr<IVeyaLayer>& layer : layers) {
    layer->SetBoneCount(3);
    for (WORD b = 0; b < 3; ++b) *layer->GetBone(b) = bones[b];
  }
  layers[1]->SetShow(0);
  IVeyaCollisionGroup* rawGroup = nullptr;
  ASSERT_EQ(CreateCollisionGroup(&rawGroup, 0, 0, nullptr, 0, nullptr), S_OK);
  ComPtr<IVeyaCollisionGroup> group(rawGroup);
  const D3DXCOLOR groupColor(0.2f, 0.4f, 0.6f, 0.8f);
  group->SetColor(&groupColor);
  group->SetSide(1);
  SceneFile file(m_dir);
  Table<IVeyaMotion>(file, "MOTN", "MOTI", {MakeMotion(0), MakeMotion(1)});
  Table<IVeyaSurface>(file, "SRFN", "SURF", {Surface(0, {})});
  Table(file, "LYRN", "LYER", layers);
  Table(file, "CGNM", "CGRP", std::vector<ComPtr<IVeyaCollisionGroup>>{group});
  Table<IVeyaCollisionLayer>(
      file, "CLNM", "CLAY",
      {CollisionTriangles(group.Get(), {{{{0, 0, 0}, {1, 0, 0}, {0, 2, 0}}},
                                        {{{0, 0, 1}, {0, 0, 2}, {3, 0, 1}}}})});
  ComPtr<IVeya2> scene = Load(file);
  ASSERT_TRUE(scene);
  Offset(scene.Get(), 0, {1, 0, 0});
  Offset(scene.Get(), 1, {0, 1, 0});
  Device()->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  Device()->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);

  const float color[4] = {0.1f, 0.2f, 0.3f, 0.4f};
  ASSERT_EQ(scene->DrawJoints(color), S_OK);
  ASSERT_EQ(Shader().Texts(), (Texts{"SetMaterial 0 0", "SetMatrix 1", "Begin 0 0", "End L0M0 x6",
                                     "SetMatrix 1", "Begin 0 0", "End L0M0 x6"}));
  const auto& joints = Shader().calls;
  EXPECT_FLOAT_EQ(joints[0].material.red, 0.1f);
  EXPECT_FLOAT_EQ(joints[0].material.blue, 0.3f);
  EXPECT_FLOAT_EQ(joints[0].material.extra, 0.4f);
  D3DXMATRIX scale;
  D3DXMatrixScaling(&scale, 2, 2, 2);
  ExpectMatrix(joints[1].matrix, scale * Translation(0, 1, 0));
  D3DXMatrixScaling(&scale, 3, 3, 3);
  ExpectMatrix(joints[4].matrix, scale * Translation(1, 0, 0));
  EXPECT_EQ(joints[2].zEnable + joints[2].zWrite, 0u);
  // The marker surrounds the joint, one tenth of the rest length each way.
  float extent = 0.0f;
  for (const LayerVertex& v : joints[3].draw.firstVertices) {
    extent = std::max(extent,
                      std::abs(v.position[0]) + std::abs(v.position[1]) + std::abs(v.position[2]));
    EXPECT_EQ(v.blendRegisters[0], 1.0f);
  }
  EXPECT_FLOAT_EQ(extent, 0.1f);
  DWORD value = 0;
  Device()->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(D3DZB_TRUE));
  EXPECT_EQ(scene->DrawJoints(nullptr), E_POINTER);

  Shader().calls.clear();
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(
      Device()->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
      S_OK);
  Device()->SetTexture(0, texture);
  texture->Release();
  ASSERT_EQ(scene->DrawCollisionLayersAll(), S_OK);
  ASSERT_EQ(Shader().Texts(),
            (Texts{"SetMatrix 0", "SetMaterial 0 0", "Begin 1 0", "End L0M0 x6"}));
  const auto& triangles = Shader().calls;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  ExpectMatrix(triangles[0].matrix, identity);
  const SurfaceRenderParameters& material = triangles[1].material;
  EXPECT_FLOAT_EQ(material.red, 0.2f);
  EXPECT_FLOAT_EQ(material.green, 0.4f);
  EXPECT_FLOAT_EQ(material.blue, 0.6f);
  EXPECT_FLOAT_EQ(material.extra, 0.8f);
  EXPECT_FLOAT_EQ(material.emissive, 0.2f);
  EXPECT_EQ(material.doubleSided, 1u);
  EXPECT_EQ(material.zEnable + material.zWrite, 2u);
  const std::vector<LayerVertex>& corners = triangles[3].draw.firstVertices;
  ASSERT_EQ(corners.size(), 6u);
  EXPECT_EQ(corners[2].position[1], 2.0f);
  EXPECT_EQ(corners[5].position[0], 3.0f);
  // Unnormalised face normals: (1,0,0) × (0,2,0) and (0,0,1) × (3,0,0).
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(corners[i].normal[2], 2.0f);
    EXPECT_EQ(corners[3 + i].normal[1], 3.0f);
    EXPECT_EQ(corners[i].blendRegisters[0], 0.0f);
    EXPECT_EQ(corners[i].blendWeights[0], 1.0f);
  }
  IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
  Device()->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);

  // A disabled collision layer is left out of the all-layers view only.
  ComPtr<IVeyaCollisionLayer> layer(scene->GetCollisionLayer(0));
  layer->SetEnable(0);
  Shader().calls.clear();
  ASSERT_EQ(scene->DrawCollisionLayersAll(), S_OK);
  EXPECT_TRUE(Shader().calls.empty());
  ASSERT_EQ(scene->DrawCollisionLayer(0), S_OK);
  EXPECT_EQ(Shader().Texts("End"), Texts{"End L0M0 x6"});
  EXPECT_EQ(scene->DrawCollisionLayer(1), E_INVALIDARG);
}

}  // namespace
