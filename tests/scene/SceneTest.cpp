// The scene object: time to frame with result codes, blending, the posing
// order, camera views, blend modes, hit tests, comparisons and getters.
#include <gtest/gtest.h>

#include <d3d9.h>

#include "SceneTestSupport.h"

namespace {

using tavorin::ComPtr;
using namespace tavorin::test;

class SceneTest : public ::testing::Test {
 protected:
  ComPtr<IVeya2> Load(const ByteVector& bytes) {
    return LoadSceneBytes(dir, bytes, device.Get(), shader.Get());
  }
  // One motion whose translation X is the frame, one camera on it, and one
  // layer that is visible only before frame 5.
  ComPtr<IVeya2> FrameScene() {
    ComPtr<IVeyaLayer> layer = MakeLayer(device.Get(), 0, "l", {});
    StepTrack* visibility = layer->GetVisibilityTrack();
    visibility->keyCount = 2;
    visibility->keys.reset(new StepKey[2]{{0, 1}, {5, 0}});
    layer->SetVisibilityEnabled(1);
    return Load(SceneFile(dir)
                    .Count("MOTN", 1)
                    .Object("MOTI", MakeMotion(0).Get())
                    .Count("CAMN", 2)
                    .Object("CAM ", MakeCamera(0, "on motion").Get())
                    .Object("CAM ", MakeCamera(-1, "on nothing").Get())
                    .Count("LYRN", 1)
                    .Object("LYER", layer.Get())
                    .Build());
  }
  static float Frame(IVeya2* scene) {
    ComPtr<IVeyaMotion> motion(scene->GetMotion(0));
    D3DXVECTOR3 translation(-1, -1, -1);
    motion->GetTranslation(&translation);
    return translation.x;
  }

  TempDir dir;
  HeadlessDevice device;
  ComPtr<IVeyaShader> shader = MakeQuietShader();
};

TEST_F(SceneTest, PlayTimeMapsToFramesWithResultCodes) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = FrameScene();
  ASSERT_TRUE(scene);
  struct Case {
    INT time, start, end;
    DWORD loops;
    float frame;
    HRESULT result;
  };
  const Case cases[] = {
      // forward
      {0, 0, 10, 0, 0, S_OK},
      {10, 0, 10, 0, 10, S_OK},
      {11, 0, 10, 0, 1, S_WRAPPED},
      {10, 0, 10, 1, 10, S_OK},
      {11, 0, 10, 1, 10, S_FINISHED},
      {25, 0, 10, 3, 5, S_OK},
      {35, 0, 10, 3, 10, S_FINISHED},
      {7, 20, 30, 0, 27, S_OK},
      // reverse
      {0, 10, 0, 0, 10, S_OK},
      {4, 10, 0, 0, 6, S_OK},
      {11, 10, 0, 0, 9, S_WRAPPED},
      {11, 10, 0, 1, 0, S_FINISHED},
      {13, 10, 0, 2, 7, S_OK},
      // a range of one frame counts as one frame long
      {0, 5, 5, 0, 5, S_OK},
      {1, 5, 5, 0, 5, S_WRAPPED},
      {3, 5, 5, 2, 5, S_FINISHED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.time << " in " << c.start << ".." << c.end << " x" << c.loops);
    EXPECT_EQ(scene->SetPlayTime(c.time, c.start, c.end, c.loops), c.result);
    EXPECT_NEAR(Frame(scene.Get()), c.frame, 1e-4f);
  }

  // Ranges at the ends of the frame space neither overflow nor wrap oddly.
  EXPECT_EQ(scene->SetPlayTime(0x7FFFFFFF, 0x7FFFFFF0, 0x7FFFFFFF, 1), S_FINISHED);
  EXPECT_EQ(scene->SetPlayTime(INT(0x80000000), 0x7FFFFFFF, INT(0x80000000), 0), S_OK);
  EXPECT_EQ(scene->SetPlayTime(0x7FFFFFFF, INT(0x80000000), 0x7FFFFFFF, 0), S_OK);

  // Layers take the same frame after the motions.
  scene->SetPlayTime(4, 0, 10, 0);
  ComPtr<IVeyaLayer> layer(scene->GetLayer(0));
  EXPECT_EQ(layer->IsVisible(), 1u);
  scene->SetPlayTime(5, 0, 10, 0);
  EXPECT_EQ(layer->IsVisible(), 0u);
}

TEST_F(SceneTest, BlendTimeMovesMotionsBetweenTwoFrames) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = FrameScene();
  ASSERT_TRUE(scene);
  // Endless blending reports a wrap even on its first pass.
  EXPECT_EQ(scene->SetBlendTime(1, 0, 10, 4, 0), S_WRAPPED);
  EXPECT_NEAR(Frame(scene.Get()), 2.5f, 1e-4f);
  EXPECT_EQ(scene->SetBlendTime(6, 0, 10, 4, 0), S_WRAPPED);
  EXPECT_NEAR(Frame(scene.Get()), 5.0f, 1e-4f);
  EXPECT_EQ(scene->SetBlendTime(5, 0, 10, 4, 2), S_OK);
  EXPECT_NEAR(Frame(scene.Get()), 2.5f, 1e-4f);
  EXPECT_EQ(scene->SetBlendTime(5, 0, 10, 4, 1), S_FINISHED);
  EXPECT_NEAR(Frame(scene.Get()), 10.0f, 1e-4f);
  // A length below one counts as one instead of dividing by zero.
  EXPECT_EQ(scene->SetBlendTime(0, 0, 10, 0, 1), S_OK);
  EXPECT_NEAR(Frame(scene.Get()), 0.0f, 1e-4f);
  EXPECT_EQ(scene->SetBlendTime(3, 0, 10, -7, 1), S_FINISHED);
  EXPECT_NEAR(Frame(scene.Get()), 10.0f, 1e-4f);
  // The other components take the frame blended from.
  ComPtr<IVeyaLayer> layer(scene->GetLayer(0));
  scene->SetBlendTime(1, 6, 0, 4, 0);
  EXPECT_EQ(layer->IsVisible(), 0u);
  scene->SetBlendTime(1, 2, 9, 4, 0);
  EXPECT_EQ(layer->IsVisible(), 1u);
}

TEST_F(SceneTest, CameraViewFollowsItsMotion) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = FrameScene();
  ASSERT_TRUE(scene);
  scene->SetPlayTime(3, 0, 10, 0);
  D3DXVECTOR3 eye, target, up;
  ASSERT_EQ(scene->GetCameraView(0, &eye, &target, &up, 2.0f), S_OK);
  EXPECT_NEAR(eye.x, 3.0f, 1e-4f);
  EXPECT_NEAR(target.x, 3.0f, 1e-4f);
  EXPECT_NEAR(target.z, 2.0f, 1e-4f);
  EXPECT_NEAR(up.y, 1.0f, 1e-4f);
  EXPECT_NEAR(up.x, 0.0f, 1e-4f);
  EXPECT_NEAR(scene->GetCameraFov(0), 1.04719758f, 1e-6f);

  // A camera on no motion, or no camera at all, leaves the outputs alone.
  const D3DXVECTOR3 untouched(7, 7, 7);
  eye = target = up = untouched;
  EXPECT_EQ(scene->GetCameraView(1, &eye, &target, &up, 2.0f), E_INVALIDARG);
  EXPECT_EQ(scene->GetCameraView(2, &eye, &target, &up, 2.0f), E_INVALIDARG);
  EXPECT_EQ(eye, untouched);
  EXPECT_EQ(up, untouched);
  EXPECT_EQ(scene->GetCameraFov(2), 0.0f);
}

TEST_F(SceneTest, BlendModesSetBothFactors) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = Load(SceneFile(dir).Build());
  ASSERT_TRUE(scene);
  const DWORD expected[][2] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},       {D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR},      {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ONE},
  };
  DWORD source = 0, destination = 0;
  for (DWORD mode = 0; mode < 7; ++mode) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(scene->SetBlendMode(mode), S_OK);
    device.Get()->GetRenderState(D3DRS_SRCBLEND, &source);
    device.Get()->GetRenderState(D3DRS_DESTBLEND, &destination);
    EXPECT_EQ(source, expected[mode][0]);
    EXPECT_EQ(destination, expected[mode][1]);
  }
  EXPECT_EQ(scene->SetBlendMode(7), S_OK);
  device.Get()->GetRenderState(D3DRS_SRCBLEND, &source);
  EXPECT_EQ(source, DWORD(D3DBLEND_DESTCOLOR));
}

TEST_F(SceneTest, HitTestsAndComparisonsGoThroughTheTables) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = Load(SampleScene(dir, device.Get()));
  ASSERT_TRUE(scene);
  const D3DXVECTOR3 from(0.2f, 0.2f, 5.0f), to(0.2f, 0.2f, -5.0f);
  D3DXVECTOR3 hit;
  WORD mesh = 0;  // where the search starts, then where it hit
  ASSERT_EQ(scene->UpdateCollisionLayersAll(), S_OK);
  EXPECT_NE(scene->HitTestCollisionLayer(0, &hit, &mesh, nullptr, &from, &to,
                                         kCollisionRangeSegment, kCollisionPickNearest),
            0xFFFF);
  EXPECT_NEAR(hit.z, 0.0f, 1e-5f);
  float distance = -1;
  EXPECT_NE(
      scene->HitTestCollisionLayerSphere(0, &hit, &distance, nullptr, nullptr, &from, 5.5f, FALSE),
      0xFFFF);
  EXPECT_NEAR(distance, 5.0f, 1e-4f);
  EXPECT_EQ(scene->HitTestCollisionLayer(1, &hit, &mesh, nullptr, &from, &to, 0, 0), 0xFFFF);
  EXPECT_EQ(
      scene->HitTestCollisionLayerSphere(1, &hit, &distance, nullptr, nullptr, &from, 9.0f, FALSE),
      0xFFFF);

  // Posed at frame 4 the motions carry the triangle away along X.
  scene->SetPlayTime(4, 0, 10, 0);
  EXPECT_EQ(scene->UpdateCollisionLayer(0), S_OK);
  mesh = 0;
  EXPECT_EQ(scene->HitTestCollisionLayer(0, &hit, &mesh, nullptr, &from, &to, 0, 0), 0xFFFF);
  EXPECT_EQ(scene->UpdateCollisionLayer(1), E_INVALIDARG);
  const D3DXVECTOR3 half(0.5f, 0.5f, 0.5f);
  EXPECT_EQ(scene->BlendCollisionLayers(0, 0, &half), S_OK);
  EXPECT_EQ(scene->BlendCollisionLayers(0, 1, &half), E_INVALIDARG);

  EXPECT_EQ(scene->CompareLayerParts(0, 0), S_OK);
  EXPECT_EQ(scene->CompareLayerParts(0, 1), E_FAIL);
  EXPECT_EQ(scene->CompareLayerParts(0, 2), E_INVALIDARG);
  EXPECT_EQ(scene->CompareCollisionLayers(0, 0), S_OK);
  EXPECT_EQ(scene->CompareCollisionLayers(1, 0), E_INVALIDARG);
  ASSERT_EQ(scene->AddCollisionLayerFromLayer(1), S_OK);
  EXPECT_EQ(scene->CompareCollisionLayers(0, 1), E_FAIL);
}

TEST_F(SceneTest, GettersAnswerForTheirTablesOnly) {
  ASSERT_NE(device.Get(), nullptr);
  ComPtr<IVeya2> scene = Load(SampleScene(dir, device.Get()));
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->GetLayer(2), nullptr);
  EXPECT_EQ(scene->GetMotion(3), nullptr);
  EXPECT_EQ(scene->GetSurface(2), nullptr);
  EXPECT_EQ(scene->GetCamera(1), nullptr);
  EXPECT_EQ(scene->GetCollisionLayer(1), nullptr);
  EXPECT_EQ(scene->GetCollisionGroup(2), nullptr);
  EXPECT_EQ(scene->GetSurfacePolygonCount(2), 0);
  EXPECT_EQ(scene->SwapLayers(0, 2), E_INVALIDARG);
  EXPECT_EQ(scene->SwapCollisionLayers(1, 0), E_INVALIDARG);
  EXPECT_EQ(scene->RemoveLayer(2), E_INVALIDARG);
  EXPECT_EQ(scene->RemoveSurface(2), E_INVALIDARG);
  EXPECT_EQ(scene->RemoveCollisionLayer(1), E_INVALIDARG);
  EXPECT_EQ(scene->RemoveCollisionGroup(2), E_INVALIDARG);
  EXPECT_EQ(scene->AddCollisionLayerFromLayer(2), E_INVALIDARG);
  EXPECT_EQ(scene->GetCollisionLayerCount(), 1);

  // Surface 1 is used by the first and third mesh of layer 0 (3 and 1
  // triangles); only the first mesh counts. Surface 0: layer 0's second mesh
  // (3 triangles) and layer 1's only mesh (2).
  EXPECT_EQ(scene->GetSurfacePolygonCount(1), 2);
  EXPECT_EQ(scene->GetSurfacePolygonCount(0), 5);

  ComPtr<IVeyaLayer> layer(scene->GetLayer(1));
  ASSERT_TRUE(layer);
  const ULONG held = layer->AddRef();
  EXPECT_EQ(layer->Release(), held - 1);
  EXPECT_GE(held, 3u);  // the scene's, ours, the extra one
  ComPtr<IVeyaLipsync> lipsync(scene->GetLipsync());
  EXPECT_EQ(lipsync->GetMode(), kMorphModeFixed);
}

}  // namespace
