#include <algorithm>
#include <comobject.h>

#include <cstdio>
#include <set>

#include <gtest/gtest.h>

#include "IVeya2.h"
#include "pack/ArchiveBuilder.h"
#include "scene/SceneTestSupport.h"
#include "support/HeadlessDevice.h"
#include "support/RunTool.h"
#include "support/TempDir.h"

namespace {

using namespace tavorin::test;
using tavorin::ComPtr;

// Runs scenetool with `args` (shell words) in `dir`; stderr is kept in dir/err.
Outcome Scenetool(const TempDir& dir, const std::string& args) {
  return RunTool(dir, SCENETOOL_PATH, args);
}

std::string Stderr(const TempDir& dir) {
  return ToolStderr(dir);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Names(IVeya2* scene) {
  std::vector<std::string> names;
  for (WORD l = 0; l < scene->GetLayerCount(); ++l)
    names.push_back(ComPtr<IVeyaLayer>(scene->GetLayer(l))->GetName());
  for (WORD m = 0; m < scene->GetMotionCount(); ++m)
    names.push_back(ComPtr<IVeyaMotion>(scene->GetMotion(m))->GetName());
  for (WORD s = 0; s < scene->GetSurfaceCount(); ++s)
    names.push_back(ComPtr<IVeyaSurface>(scene->GetSurface(s))->GetName());
  for (WORD c = 0; c < scene->GetCollisionLayerCount(); ++c)
    names.push_back(ComPtr<IVeyaCollisionLayer>(scene->GetCollisionLayer(c))->GetName());
  for (WORD g = 0; g < scene->GetCollisionGroupCount(); ++g)
    names.push_back(ComPtr<IVeyaCollisionGroup>(scene->GetCollisionGroup(g))->GetName());
  return names;
}

// The sample is made once for all tests; each test works on its own copy.
class ScenetoolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_made = new TempDir;
    s_makeOutcome = Scenetool(*s_made, "make-sample sample.vmf");
  }
  static void TearDownTestSuite() {
    delete s_made;
    s_made = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(0, s_makeOutcome.exitCode) << Stderr(*s_made);
    m_sample = s_made->Read("sample.vmf");
    m_dir.Write("sample.vmf", m_sample);
    ASSERT_NE(nullptr, m_device.Get());
  }

  ComPtr<IVeya2> Load(const Bytes& bytes, HRESULT* hr = nullptr) {
    return LoadSceneBytes(m_dir, bytes, m_device.Get(), m_shader.Get(), hr);
  }

  static TempDir* s_made;
  static Outcome s_makeOutcome;
  TempDir m_dir;
  Bytes m_sample;
  HeadlessDevice m_device;
  ComPtr<IVeyaShader> m_shader = MakeQuietShader();
};

TempDir* ScenetoolTest::s_made = nullptr;
Outcome ScenetoolTest::s_makeOutcome{-1, {}};

TEST_F(ScenetoolTest, MakeSampleThenCheckThenRoundtripSucceed) {
  Outcome check = Scenetool(m_dir, "check sample.vmf");
  EXPECT_EQ(0, check.exitCode) << check.out << Stderr(m_dir);
  EXPECT_TRUE(Contains(check.out, "ok")) << check.out;
  Outcome roundtrip = Scenetool(m_dir, "roundtrip sample.vmf");
  EXPECT_EQ(0, roundtrip.exitCode) << roundtrip.out << Stderr(m_dir);
  EXPECT_TRUE(Contains(roundtrip.out, std::to_string(m_sample.size()) + " bytes saved back"))
      << roundtrip.out;
}

TEST_F(ScenetoolTest, SampleHoldsEveryKindOfPart) {
  ComPtr<IVeya2> scene = Load(m_sample);
  ASSERT_TRUE(scene);

  // Layers with meshes; a lip-sync pair and a blink pair that can morph.
  EXPECT_GE(scene->GetLayerCount(), 3);
  EXPECT_GE(ComPtr<IVeyaLayer>(scene->GetLayer(0))->GetMeshCount(), 2);
  ComPtr<IVeyaLipsync> lipsync(scene->GetLipsync());
  ComPtr<IVeyaBlink> blink(scene->GetBlink());
  EXPECT_EQ(kMorphModeFromTrack, lipsync->GetMode());
  EXPECT_EQ(kMorphModeFromTrack, blink->GetMode());
  EXPECT_GT(lipsync->GetTrack()->keyCount, 0);
  EXPECT_GT(blink->GetTrack()->keyCount, 0);
  DWORD lipLayers = 0, blinkLayers[2] = {};
  lipsync->GetLayers(&lipLayers);
  blink->GetLayers(blinkLayers);
  EXPECT_EQ(S_OK, scene->CompareLayerParts(LOWORD(lipLayers), HIWORD(lipLayers)));
  EXPECT_EQ(S_OK, scene->CompareLayerParts(LOWORD(blinkLayers[0]), HIWORD(blinkLayers[0])));

  // Ten or more motions in a parent chain at least ten deep, keyed with
  // every curve shape.
  ASSERT_GE(scene->GetMotionCount(), 10);
  size_t deepest = 0;
  std::set<WORD> shapes;
  for (WORD m = 0; m < scene->GetMotionCount(); ++m) {
    ComPtr<IVeyaMotion> motion(scene->GetMotion(m));
    size_t depth = 0;
    for (IVeyaMotion* up = motion.Get(); up != nullptr && depth <= 64; up = up->GetParent())
      ++depth;
    deepest = std::max(deepest, depth);
    for (CurveTrack* track : {motion->GetTrackRotationY(), motion->GetTrackRotationZ()})
      for (WORD k = 0; k < track->keyCount; ++k) shapes.insert(track->keys[k].shape);
  }
  EXPECT_GE(deepest, 5u);
  EXPECT_EQ((std::set<WORD>{kCurveShapeTcb, kCurveShapeHermite, kCurveShapeBezier,
                            kCurveShapeLinear, kCurveShapeStepped, kCurveShapeBezier2D}),
            shapes);

  // Textured surfaces, a camera on a motion, collision for both skinned
  // layers with groups actually in use.
  ASSERT_GE(scene->GetSurfaceCount(), 2);
  for (WORD s = 0; s < scene->GetSurfaceCount(); ++s) {
    ComPtr<IVeyaSurface> surface(scene->GetSurface(s));
    ASSERT_GE(surface->GetTextureCount(), 1);
    EXPECT_NE(nullptr, surface->GetTexture(0)->texture);
  }
  ASSERT_EQ(1, scene->GetCameraCount());
  D3DXVECTOR3 eye, target, up;
  EXPECT_EQ(S_OK, scene->GetCameraView(0, &eye, &target, &up, 1.0f));
  EXPECT_EQ(2, scene->GetCollisionLayerCount());
  ASSERT_GE(scene->GetCollisionGroupCount(), 1);
  for (WORD g = 0; g < scene->GetCollisionGroupCount(); ++g)
    EXPECT_GT(scene->GetCollisionGroupUseCount(g), 0);
  ComPtr<IVeyaCollisionLayer> hits(scene->GetCollisionLayer(0));
  EXPECT_NE(nullptr, hits->GetVertex(0)->bones[0]) << "collision vertices follow the skeleton";
}

TEST_F(ScenetoolTest, LoadSaveLoadSaveIsByteForByteWithTheSameTables) {
  ComPtr<IVeya2> first = Load(m_sample);
  ASSERT_TRUE(first);
  const Bytes once = SavedBytes(m_dir, first.Get(), "once.vmf");
  EXPECT_EQ(m_sample, once);
  ComPtr<IVeya2> second = Load(once);
  ASSERT_TRUE(second);
  EXPECT_EQ(once, SavedBytes(m_dir, second.Get(), "twice.vmf"));
  EXPECT_EQ(Names(first.Get()), Names(second.Get()));
  for (WORD m = 0; m < first->GetMotionCount(); ++m) {
    EXPECT_EQ(ComPtr<IVeyaMotion>(first->GetMotion(m))->GetParentIndex(),
              ComPtr<IVeyaMotion>(second->GetMotion(m))->GetParentIndex());
  }
}

TEST_F(ScenetoolTest, InfoPoseAndHitReportTheScene) {
  Outcome info = Scenetool(m_dir, "info sample.vmf");
  ASSERT_EQ(0, info.exitCode) << Stderr(m_dir);
  for (const char* line :
       {"layers: 6", "motions: 13", "surfaces: 4", "cameras: 1", "lights: 1", "collision layers: 2",
        "\"body\"", "\"hips\": parent 0", "all tracks: ", "frames 0..120"}) {
    EXPECT_TRUE(Contains(info.out, line)) << line << "\n" << info.out;
  }

  // Frame 0 of the sample is its rest pose: the hips stand one unit above
  // the root, which stays at the origin.
  Outcome pose = Scenetool(m_dir, "pose sample.vmf 0");
  ASSERT_EQ(0, pose.exitCode) << Stderr(m_dir);
  EXPECT_TRUE(Contains(pose.out, "motion 12 \"camera\"")) << pose.out;
  Outcome json = Scenetool(m_dir, "pose sample.vmf 0 --json");
  ASSERT_EQ(0, json.exitCode) << Stderr(m_dir);
  EXPECT_EQ('{', json.out.front());
  EXPECT_TRUE(Contains(json.out, "\"index\": 12, \"name\": \"camera\", \"parent\": 0")) << json.out;
  EXPECT_TRUE(Contains(json.out,
                       "\"name\": \"hips\", \"parent\": 0, \"world\": [1, 0, 0, 0, 0, "
                       "1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1]"))
      << json.out;
  Outcome later = Scenetool(m_dir, "pose sample.vmf 30 --json");
  EXPECT_NE(json.out.substr(json.out.find('\n')), later.out.substr(later.out.find('\n')))
      << "frame 30 moves the skeleton";

  // The body's front face is 0.12 in front of the spine; a ray from 2 units
  // away hits it at 1.88, one pointing away hits nothing.
  Outcome hit = Scenetool(m_dir, "hit sample.vmf 0 0,1.3,-2 0,0,1");
  ASSERT_EQ(0, hit.exitCode) << Stderr(m_dir);
  EXPECT_TRUE(Contains(hit.out, "hit at (0, 1.3, -0.12), distance 1.88")) << hit.out;
  Outcome miss = Scenetool(m_dir, "hit sample.vmf 0 0,1.3,-2 0,0,-1 --frame 40");
  EXPECT_EQ(0, miss.exitCode);
  EXPECT_EQ("no hit\n", miss.out);
}

TEST_F(ScenetoolTest, CheckAndRoundtripLocateFaults) {
  // Cut inside the second layer chunk: the header's total and that chunk
  // are reported with their offsets.
  m_dir.Write("cut.vmf", Bytes(m_sample.begin(), m_sample.begin() + 3000));
  Outcome cut = Scenetool(m_dir, "check cut.vmf");
  EXPECT_EQ(1, cut.exitCode);
  EXPECT_TRUE(Contains(cut.out, "offset 4 header: total")) << cut.out;
  EXPECT_TRUE(Contains(cut.out, "LYER: a payload of")) << cut.out;
  EXPECT_TRUE(Contains(cut.out, "does not load")) << cut.out;

  // A damaged payload is named by the chunk that holds it (the first layer
  // follows the 10-byte count chunk).
  Bytes damaged = m_sample;
  std::fill(damaged.begin() + 30, damaged.begin() + 40, 0xFF);
  m_dir.Write("damaged.vmf", damaged);
  Outcome bad = Scenetool(m_dir, "check damaged.vmf");
  EXPECT_EQ(1, bad.exitCode);
  EXPECT_TRUE(Contains(bad.out, "offset 18 LYER: its reader refuses the payload")) << bad.out;

  // Indices naming nothing are reported by the chunk holding them, each one.
  // The scene itself refuses to save such a file, so its bytes are patched:
  // the second mesh's surface of the first layer, and the camera's motion.
  {
    Bytes dangling = m_sample;
    auto find = [&](const char* tag, size_t from) {
      return size_t(std::search(dangling.begin() + from, dangling.end(), tag, tag + 4) -
                    dangling.begin());
    };
    const size_t firstMesh = find("SFNO", find("LYER", 0));
    const size_t secondMesh = find("SFNO", firstMesh + 4);
    const size_t cameraMotion = find("MTNO", find("CAM ", 0));
    ASSERT_LT(secondMesh, find("LYER", find("LYER", 0) + 4));
    ASSERT_LT(cameraMotion, dangling.size());
    dangling[secondMesh + 8] = 9;
    dangling[secondMesh + 9] = 0;
    dangling[cameraMotion + 8] = 40;
    dangling[cameraMotion + 9] = 0;
    m_dir.Write("dangling.vmf", dangling);
  }
  Outcome dangling = Scenetool(m_dir, "check dangling.vmf");
  EXPECT_EQ(1, dangling.exitCode);
  EXPECT_TRUE(Contains(dangling.out, "offset 18 LYER: mesh 1 names surface 9; the file has 4"))
      << dangling.out;
  EXPECT_TRUE(Contains(dangling.out, "CAM : the camera names motion 40; the file has 13"))
      << dangling.out;
  EXPECT_TRUE(Contains(dangling.out, "3 problems")) << dangling.out;

  // An unknown chunk loads (it is skipped) but does not come back: the
  // roundtrip names the offset where it stood.
  Bytes extra(m_sample.begin(), m_sample.begin() + 8);
  const Bytes unknown = Chunk("XTRA", {1, 2, 3});
  extra.insert(extra.end(), unknown.begin(), unknown.end());
  extra.insert(extra.end(), m_sample.begin() + 8, m_sample.end());
  const uint32_t total = uint32_t(extra.size() - 8);
  for (int i = 0; i < 4; ++i) extra[4 + i] = uint8_t(total >> (8 * i));
  m_dir.Write("extra.vmf", extra);
  EXPECT_EQ(0, Scenetool(m_dir, "check extra.vmf").exitCode) << Stderr(m_dir);
  Outcome differs = Scenetool(m_dir, "roundtrip extra.vmf");
  EXPECT_EQ(1, differs.exitCode);
  EXPECT_TRUE(Contains(differs.out, "differs from offset 4")) << differs.out;
}

// Each break of the chunk rules is named at its chunk, and the loader agrees
// that the file is broken; a sound file (unknown chunks included) is "ok".
TEST_F(ScenetoolTest, CheckNamesEachBrokenChunkRule) {
  ComPtr<IVeyaMotion> motion = MakeMotion(0);
  ComPtr<IVeyaMotion> orphan = MakeMotion(0, 5);
  IVeyaCollisionGroup* group = nullptr;
  ASSERT_EQ(S_OK, CreateCollisionGroup(&group, 0, 0, nullptr, 0, nullptr));
  ComPtr<IVeyaCollisionGroup> groupHolder(group);
  IVeyaCollisionLayer* clay = nullptr;
  ASSERT_EQ(S_OK, CreateCollisionLayer(&clay, nullptr, 0, nullptr, nullptr, 0));
  ComPtr<IVeyaCollisionLayer> clayHolder(clay);
  // One motion chunk: what a file of only that chunk holds after its header.
  const size_t motionChunk = SceneFile(m_dir).Object("MOTI", motion.Get()).Build().size() - 8;
  struct Case {
    const char* name;
    Bytes bytes;
    std::string expected;  // "" for a sound file
  } cases[] = {
      {"sound",
       SceneFile(m_dir).Chunk("XTRA", {1, 2}).Count("MOTN", 1).Object("MOTI", motion.Get()).Build(),
       ""},
      {"early", SceneFile(m_dir).Object("MOTI", motion.Get()).Count("MOTN", 1).Build(),
       "offset 8 MOTI: an object chunk before its count chunk"},
      {"extra",
       SceneFile(m_dir)
           .Count("MOTN", 1)
           .Object("MOTI", motion.Get())
           .Object("MOTI", motion.Get())
           .Build(),
       "offset " + std::to_string(18 + motionChunk) + " MOTI: more MOTI chunks than the count 1"},
      {"recount", SceneFile(m_dir).Count("SRFN", 0).Count("SRFN", 0).Build(),
       "offset 18 SRFN: a second count chunk of its kind"},
      {"wide", SceneFile(m_dir).Count("LYRN", 0, 3).Build(),
       "offset 8 LYRN: a count chunk of 3 bytes instead of 2"},
      {"late",
       SceneFile(m_dir)
           .Count("CGNM", 2)
           .Object("CGRP", group)
           .Count("CLNM", 1)
           .Object("CLAY", clay)
           .Object("CGRP", group)
           .Build(),
       "CGRP: a collision group after the first CLAY"},
      {"orphan", SceneFile(m_dir).Count("MOTN", 1).Object("MOTI", orphan.Get()).Build(),
       "offset 18 MOTI: the parent names motion 5; the file has 1"},
      {"short", SceneFile(m_dir).Count("MOTN", 0).Build(14),
       "offset 18 chunk: a chunk header cut short after 4 bytes"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The short file's total claims four bytes more than its count chunk.
    if (std::string(c.name) == "short") c.bytes.resize(22, 0);
    m_dir.Write("case.vmf", c.bytes);
    Outcome check = Scenetool(m_dir, "check case.vmf");
    if (c.expected.empty()) {
      EXPECT_EQ(0, check.exitCode) << check.out;
      EXPECT_TRUE(Contains(check.out, "ok")) << check.out;
      continue;
    }
    EXPECT_EQ(1, check.exitCode);
    EXPECT_TRUE(Contains(check.out, c.expected)) << check.out;
    EXPECT_TRUE(Contains(check.out, "does not load")) << check.out;
  }
}

TEST_F(ScenetoolTest, ScenesComeFromTheArchiveFirst) {
  // The archive's copy loads although the loose file of that name is junk.
  m_dir.Write("Data.pac",
              ArchiveBuilder().FileCount(1).File("packed.vmf", m_sample).Code(TestCode()).Build());
  m_dir.Write("packed.vmf", {'j', 'u', 'n', 'k'});
  Outcome roundtrip = Scenetool(m_dir, "roundtrip packed.vmf");
  EXPECT_EQ(0, roundtrip.exitCode) << roundtrip.out << Stderr(m_dir);
  EXPECT_EQ(0, Scenetool(m_dir, "check packed.vmf").exitCode) << Stderr(m_dir);
}

TEST_F(ScenetoolTest, ErrorsExitOneAndUsageErrorsTwo) {
  struct Case {
    const char* args;
    int exitCode;
    const char* message;
  } cases[] = {
      {"", 2, "usage:"},
      {"frobnicate x", 2, "unknown command"},
      {"info", 2, "info takes one scene file"},
      {"pose sample.vmf", 2, "pose takes"},
      {"pose sample.vmf 1x", 2, "not a number"},
      {"hit sample.vmf 0 1,2 0,0,1", 2, "is not x,y,z"},
      {"hit sample.vmf 0 1,2,3 0,0,1 --frame", 2, "--frame needs"},
      {"info missing.vmf", 1, "missing.vmf does not load"},
      {"roundtrip missing.vmf", 1, "cannot open missing.vmf"},
      {"check missing.vmf", 1, "cannot open missing.vmf"},
      {"hit sample.vmf 2 0,0,0 0,0,1", 1, "there is no layer 2"},
      {"hit sample.vmf 0 0,0,0 0,0,0", 1, "the direction is zero"},
      {"make-sample no/such/dir/out.vmf", 1, "cannot write no/such/dir/out.vmf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(c.exitCode, Scenetool(m_dir, c.args).exitCode);
    EXPECT_TRUE(Contains(Stderr(m_dir), c.message)) << Stderr(m_dir);
  }
  EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "no"));
}

}  // namespace
