// Layers: the "LYER" payload read and written byte for byte, posing,
// editing, and payloads that must be refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <comobject.h>
#include <d3d9.h>

#include "IVeyaLayer.h"
#include "animation/TrackTestSupport.h"
#include "support/HeadlessDevice.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::Bytes;
using tavorin::test::HeadlessDevice;
using tavorin::test::PatternBytes;
using tavorin::test::ReaderOver;
using tavorin::test::SetKeys;
using tavorin::test::TempDir;
using tavorin::test::WrittenBytes;

using ByteVector = std::vector<uint8_t>;

struct MeshSpec {
  uint16_t vertices;
  std::vector<uint16_t> indices;
  uint16_t surface;
};

struct BoneSpec {
  std::string name;
  float rest[7];  // position, direction, length
  uint16_t motion;
};

ByteVector VertexBytes(const MeshSpec& mesh) {
  return PatternBytes(size_t(mesh.vertices) * kLayerVertexSize, mesh.vertices + 7u);
}

Bytes& U16Chunk(Bytes& b, const char* tag, uint16_t value) {
  return b.Chunk(tag, 2).U16(value);
}

Bytes& TextChunk(Bytes& b, const char* tag, const std::string& text) {
  b.Chunk(tag, uint32_t(text.size() + 1)).Append(ByteVector(text.begin(), text.end()));
  return b.Append({0});
}

Bytes MeshChunk(const MeshSpec& mesh) {
  Bytes body;
  U16Chunk(body, "VTXN", mesh.vertices);
  body.Chunk("VTEX", uint32_t(mesh.vertices) * kLayerVertexSize).Append(VertexBytes(mesh));
  U16Chunk(body, "POLN", uint16_t(mesh.indices.size() / 3));
  body.Chunk("POLY", uint32_t(mesh.indices.size() * 2));
  for (uint16_t index : mesh.indices) body.U16(index);
  U16Chunk(body, "SFNO", mesh.surface);
  Bytes chunk;
  return chunk.Chunk("MESH", body.Size()).Append(body.Get());
}

Bytes BoneChunk(const BoneSpec& bone) {
  Bytes body;
  TextChunk(body, "NAME", bone.name);
  body.Chunk("RSTP", 12).F32(bone.rest[0]).F32(bone.rest[1]).F32(bone.rest[2]);
  body.Chunk("RSTD", 12).F32(bone.rest[3]).F32(bone.rest[4]).F32(bone.rest[5]);
  body.Chunk("RSTL", 4).F32(bone.rest[6]);
  U16Chunk(body, "MTNO", bone.motion);
  Bytes chunk;
  return chunk.Chunk("BONE", body.Size()).Append(body.Get());
}

// A track's stored run, made by the track writers (tested with the tracks).
template <class Track, class Serialize>
ByteVector TrackRun(const TempDir& dir, const Track& track, Serialize serialize) {
  return WrittenBytes(dir, [&](IFileWriter* writer) {
    DWORD size = 0;
    EXPECT_EQ(serialize(track, writer, &size), S_OK);
    return size;
  });
}

Bytes& TrackChunk(Bytes& b, const char* tag, const ByteVector& run) {
  return b.Chunk(tag, uint32_t(run.size())).Append(run);
}

const std::vector<MeshSpec> kMeshes = {{4, {0, 1, 2, 2, 3, 0}, 1}, {3, {2, 1, 0}, 0}};
const std::vector<BoneSpec> kBones = {{"ARM_L", {1, 2, 3, 0.25f, -0.5f, 0.75f, 1.5f}, 4},
                                      {"Head", {0, 5, 0, 0, 1, 0, 0.5f}, 0xFFFF}};

// The full payload in the order the writer emits it.
Bytes FullPayload(const TempDir& dir) {
  StepTrack visibility;
  visibility.enabled = 1;
  SetKeys(visibility, std::vector<StepKey>{{0, 1}, {10, 0}, {20, 1}});
  IndexTrack target;
  target.defaultValue = 0xFFFF;
  SetKeys(target, std::vector<IndexKey>{{0, 3, 0}, {5, 7, 0}});
  ScalarTrack weight;
  weight.defaultValue = 1.0f;
  SetKeys(weight, std::vector<ScalarKey>{{0, 0.0f, 1}, {10, 1.0f, 1}});

  Bytes b;
  TextChunk(b, "NAME", "body");
  U16Chunk(b, "ID  ", 0xFFFE);
  b.Chunk("BBOX", 24).F32(-1).F32(-2).F32(-3).F32(4).F32(5).F32(6);
  b.Chunk("SHOW", 4).U32(1);
  TrackChunk(b, "SENV", TrackRun(dir, visibility, SerializeStepTrack));
  b.Chunk("ZTRC", 4).U32(1);
  U16Chunk(b, "MESN", uint16_t(kMeshes.size()));
  for (const MeshSpec& mesh : kMeshes) b.Append(MeshChunk(mesh).Get());
  U16Chunk(b, "BONN", uint16_t(kBones.size()));
  for (const BoneSpec& bone : kBones) b.Append(BoneChunk(bone).Get());
  U16Chunk(b, "LMNO", 2);
  U16Chunk(b, "LVSC", 0xFFFF);
  U16Chunk(b, "MOTN", 2);
  for (int16_t i = 0; i < 2; ++i) {
    b.Chunk("MTNO", 20);
    U16Chunk(b, "MTNO", uint16_t(i == 0 ? 5 : -1));
    U16Chunk(b, "VSCN", uint16_t(10 + i));
  }
  b.Chunk("MEEF", 4).U32(1);
  TrackChunk(b, "MTE ", TrackRun(dir, target, SerializeIndexTrack));
  TrackChunk(b, "MWE ", TrackRun(dir, weight, SerializeScalarTrack));
  return b;
}

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(m_device.Get(), nullptr); }

  ComPtr<IVeyaLayer> Read(const ByteVector& bytes, HRESULT expected = S_OK, bool announced = false,
                          DWORD length = 0) {
    if (length == 0) length = DWORD(bytes.size());
    ComPtr<IFileReader> reader = ReaderOver(m_dir, bytes, announced, "lyer.bin");
    IVeyaLayer* layer = reinterpret_cast<IVeyaLayer*>(1);
    DWORD consumed = 0xDEAD;
    EXPECT_EQ(CreateLayer(&layer, 9, m_device.Get(), reader.Get(), length, &consumed), expected);
    if (SUCCEEDED(expected)) {
      EXPECT_EQ(consumed, length);
    } else {
      EXPECT_EQ(layer, nullptr);
      EXPECT_LE(consumed, length);
    }
    return ComPtr<IVeyaLayer>(SUCCEEDED(expected) ? layer : nullptr);
  }

  ByteVector Write(IVeyaLayer* layer) {
    DWORD counted = 0;
    EXPECT_EQ(layer->Serialize(nullptr, &counted), S_OK);
    DWORD written = 0;
    ByteVector bytes = WrittenBytes(
        m_dir,
        [&](IFileWriter* writer) {
          DWORD size = 0;
          EXPECT_EQ(layer->Serialize(writer, &size), S_OK);
          return size;
        },
        &written);
    EXPECT_EQ(written, counted);
    EXPECT_EQ(bytes.size(), counted);
    return bytes;
  }

  static ComPtr<IVeyaLayer> Empty() {
    IVeyaLayer* layer = nullptr;
    EXPECT_EQ(CreateLayer(&layer, 4, nullptr, nullptr, 0, nullptr), S_OK);
    return ComPtr<IVeyaLayer>(layer);
  }

  TempDir m_dir;
  HeadlessDevice m_device;
};

template <class Buffer>
ByteVector BufferBytes(Buffer* buffer, UINT size) {
  void* data = nullptr;
  if (buffer == nullptr || FAILED(buffer->Lock(0, size, &data, D3DLOCK_READONLY))) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  ByteVector copy(bytes, bytes + size);
  buffer->Unlock();
  return copy;
}

TEST_F(LayerTest, FullPayloadReadsIntoEveryFieldAndWritesBackByteForByte) {
  const Bytes payload = FullPayload(m_dir);
  for (bool announced : {false, true}) {
    SCOPED_TRACE(announced ? "announced reads" : "auto-refill reads");
    ComPtr<IVeyaLayer> layer = Read(payload.Get(), S_OK, announced);
    ASSERT_TRUE(layer);

    // Header fields.
    EXPECT_STREQ(layer->GetName(), "body");
    EXPECT_EQ(layer->GetIndex(), -2);
    D3DXVECTOR3 min, max;
    ASSERT_EQ(layer->GetBoundingBox(&min, &max), S_OK);
    EXPECT_EQ(min, D3DXVECTOR3(-1, -2, -3));
    EXPECT_EQ(max, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(layer->GetShow(), 1u);
    EXPECT_EQ(layer->GetVisibilityEnabled(), 1u);
    EXPECT_EQ(layer->GetVisibilityTrack()->keyCount, 3);
    EXPECT_EQ(layer->GetDepthPrepass(), 1u);

    // Meshes: buffers as the drawing code binds them, contents as stored.
    ASSERT_EQ(layer->GetMeshCount(), kMeshes.size());
    EXPECT_EQ(layer->GetPolygonCount(), 3);
    EXPECT_EQ(layer->GetMesh(2), nullptr);
    for (WORD i = 0; i < kMeshes.size(); ++i) {
      SCOPED_TRACE(i);
      const LayerMesh* mesh = layer->GetMesh(i);
      ASSERT_NE(mesh, nullptr);
      EXPECT_EQ(mesh->vertexCount, kMeshes[i].vertices);
      EXPECT_EQ(mesh->polygonCount, kMeshes[i].indices.size() / 3);
      EXPECT_EQ(mesh->surfaceIndex, kMeshes[i].surface);
      D3DVERTEXBUFFER_DESC vertexDesc{};
      ASSERT_EQ(mesh->vertexBuffer->GetDesc(&vertexDesc), D3D_OK);
      EXPECT_EQ(vertexDesc.Size, kMeshes[i].vertices * kLayerVertexSize);
      EXPECT_EQ(vertexDesc.Pool, D3DPOOL_MANAGED);
      EXPECT_EQ(vertexDesc.Usage, DWORD(D3DUSAGE_WRITEONLY));
      D3DINDEXBUFFER_DESC indexDesc{};
      ASSERT_EQ(mesh->indexBuffer->GetDesc(&indexDesc), D3D_OK);
      EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX16);
      EXPECT_EQ(indexDesc.Size, kMeshes[i].indices.size() * 2);
      EXPECT_EQ(BufferBytes(mesh->vertexBuffer, vertexDesc.Size), VertexBytes(kMeshes[i]));
      ByteVector indices;
      for (uint16_t index : kMeshes[i].indices) indices.insert(indices.end(), {uint8_t(index), 0});
      EXPECT_EQ(BufferBytes(mesh->indexBuffer, indexDesc.Size), indices);
    }

    // Bones, found by name whatever the letter case.
    ASSERT_EQ(layer->GetBoneCount(), 2);
    EXPECT_EQ(layer->FindBone("arm_l"), layer->GetBone(0));
    EXPECT_EQ(layer->FindBone("HEAD"), layer->GetBone(1));
    EXPECT_EQ(layer->FindBone("arm"), nullptr);
    EXPECT_EQ(layer->FindBone(nullptr), nullptr);
    const LayerBone* arm = layer->GetBone(0);
    EXPECT_EQ(arm->restPosition, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(arm->restDirection, D3DXVECTOR3(0.25f, -0.5f, 0.75f));
    EXPECT_EQ(arm->restLength, 1.5f);
    EXPECT_EQ(arm->motionIndex, 4);
    EXPECT_EQ(layer->GetBone(1)->motionIndex, 0xFFFF);

    // Links.
    MotionLink link{};
    ASSERT_EQ(layer->GetMainMotionLink(&link), S_OK);
    EXPECT_EQ(link.motionIndex, 2);
    EXPECT_EQ(link.matrixRegister, -1);
    ASSERT_EQ(layer->GetMotionLinkCount(), 2);
    ASSERT_EQ(layer->GetMotionLink(0, &link), S_OK);
    EXPECT_EQ(link.motionIndex, 5);
    EXPECT_EQ(link.matrixRegister, 10);
    ASSERT_EQ(layer->GetMotionLink(1, &link), S_OK);
    EXPECT_EQ(link.motionIndex, -1);
    EXPECT_EQ(link.matrixRegister, 11);
    EXPECT_EQ(layer->GetMotionLink(2, &link), E_INVALIDARG);

    // Morph tracks.
    EXPECT_EQ(layer->GetMorphEnabled(), 1u);
    EXPECT_EQ(layer->GetMorphTargetTrack()->keyCount, 2);
    EXPECT_EQ(layer->GetMorphWeightTrack()->keyCount, 2);

    EXPECT_EQ(Write(layer.Get()), payload.Get());
  }
}

TEST_F(LayerTest, EmptyLayerDefaultsAndItsSmallestPayload) {
  ComPtr<IVeyaLayer> layer = Empty();
  ASSERT_TRUE(layer);
  EXPECT_EQ(layer->GetIndex(), 4);
  EXPECT_EQ(layer->GetName(), nullptr);
  EXPECT_EQ(layer->IsVisible(), 0u);
  EXPECT_EQ(layer->GetVisibilityEnabled(), 0u);
  EXPECT_EQ(layer->GetVisibilityTrack()->defaultValue, 1u);
  EXPECT_EQ(layer->GetMorphTarget(), 0xFFFF);
  EXPECT_EQ(layer->GetMorphTargetTrack()->defaultValue, 0xFFFF);
  EXPECT_EQ(layer->GetMorphTargetTrack()->enabled, 1);
  FLOAT weight[3] = {0, 0, 0};
  EXPECT_EQ(layer->GetMorphWeight(weight), 1.0f);
  EXPECT_EQ(weight[2], 1.0f);
  MotionLink main{};
  layer->GetMainMotionLink(&main);
  EXPECT_EQ(main.motionIndex, -1);
  EXPECT_EQ(main.matrixRegister, 0);

  // No name, meshes, bones or links: only the fixed sub-chunks and the three
  // tracks, and no "NAME".
  DWORD visibility = 0, target = 0, weightSize = 0;
  SerializeStepTrack(*layer->GetVisibilityTrack(), nullptr, &visibility);
  SerializeIndexTrack(*layer->GetMorphTargetTrack(), nullptr, &target);
  SerializeScalarTrack(*layer->GetMorphWeightTrack(), nullptr, &weightSize);
  EXPECT_EQ(visibility, 24u);
  const ByteVector bytes = Write(layer.Get());
  EXPECT_EQ(bytes.size(), 66 + 20 + 12 + (8 + visibility) + (8 + target) + (8 + weightSize));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "ID  ");

  ComPtr<IVeyaLayer> back = Read(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetIndex(), 4);
  EXPECT_EQ(back->GetName(), nullptr);
  EXPECT_EQ(Write(back.Get()), bytes);

  // A reader needs a device and somewhere to report what it read.
  ComPtr<IFileReader> reader = ReaderOver(m_dir, bytes);
  IVeyaLayer* none = reinterpret_cast<IVeyaLayer*>(1);
  DWORD consumed = 0;
  EXPECT_EQ(CreateLayer(&none, 0, nullptr, reader.Get(), DWORD(bytes.size()), &consumed),
            E_INVALIDARG);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(CreateLayer(&none, 0, m_device.Get(), reader.Get(), DWORD(bytes.size()), nullptr),
            E_POINTER);
  EXPECT_EQ(none, nullptr);
}

TEST_F(LayerTest, VisibilityAndMorphFollowTheirTracksAfterEachFrame) {
  ComPtr<IVeyaLayer> layer = Read(FullPayload(m_dir).Get());
  ASSERT_TRUE(layer);

  // Shown with the track enabled: the track's value at the last frame set.
  const std::pair<INT, DWORD> visible[] = {{0, 1}, {9, 1}, {10, 0}, {19, 0}, {20, 1}, {99, 1}};
  for (auto [frame, expected] : visible) {
    layer->SetFrame(frame);
    EXPECT_EQ(layer->IsVisible(), expected) << "frame " << frame;
  }
  // Track disabled: visible at every frame.
  layer->SetVisibilityEnabled(0);
  layer->SetFrame(15);
  EXPECT_EQ(layer->IsVisible(), 1u);
  // Not shown: hidden whatever the track says; showing again resets the
  // track's default.
  layer->SetVisibilityEnabled(1);
  layer->SetShow(0);
  layer->SetFrame(0);
  EXPECT_EQ(layer->IsVisible(), 0u);
  EXPECT_EQ(layer->GetVisibilityTrack()->defaultValue, 0u);
  layer->SetShow(5);
  EXPECT_EQ(layer->GetVisibilityTrack()->defaultValue, 5u);

  // Morph enabled: held target and interpolated weight of the last frame.
  layer->SetFrame(5);
  EXPECT_EQ(layer->GetMorphTarget(), 7);
  FLOAT weight[3] = {};
  EXPECT_FLOAT_EQ(layer->GetMorphWeight(weight), 0.5f);
  EXPECT_FLOAT_EQ(weight[0], 0.5f);
  EXPECT_FLOAT_EQ(weight[1], 0.5f);
  EXPECT_FLOAT_EQ(weight[2], 0.5f);
  EXPECT_FLOAT_EQ(layer->GetMorphWeight(nullptr), 0.5f);

  // Morph disabled: no target and full weight, and the tracks are left as
  // they were by frames set meanwhile.
  layer->SetMorphEnabled(0);
  layer->SetFrame(0);
  EXPECT_EQ(layer->GetMorphTarget(), 0xFFFF);
  EXPECT_EQ(layer->GetMorphWeight(nullptr), 1.0f);
  layer->SetMorphEnabled(1);
  EXPECT_EQ(layer->GetMorphTarget(), 7);
}

TEST_F(LayerTest, EditingKeepsOwnershipAndWhatIsWrittenReadsBack) {
  ComPtr<IVeyaLayer> layer = Read(FullPayload(m_dir).Get());
  ASSERT_TRUE(layer);

  // Removing a mesh releases its buffers and moves the later one down.
  IDirect3DVertexBuffer9* removed = layer->GetMesh(0)->vertexBuffer;
  removed->AddRef();
  IDirect3DVertexBuffer9* kept = layer->GetMesh(1)->vertexBuffer;
  EXPECT_EQ(layer->RemoveMesh(2), E_INVALIDARG);
  ASSERT_EQ(layer->RemoveMesh(0), S_OK);
  EXPECT_EQ(removed->Release(), 0u);
  ASSERT_EQ(layer->GetMeshCount(), 1);
  EXPECT_EQ(layer->GetMesh(0)->vertexBuffer, kept);
  EXPECT_EQ(layer->GetPolygonCount(), 1);

  // Renaming; a bone whose name is cleared is written with an empty one.
  EXPECT_EQ(layer->SetName("renamed"), S_OK);
  EXPECT_STREQ(layer->GetName(), "renamed");
  EXPECT_EQ(layer->SetBoneName(0, "Spine"), S_OK);
  EXPECT_EQ(layer->SetBoneName(1, nullptr), S_OK);
  EXPECT_EQ(layer->SetBoneName(2, "x"), E_INVALIDARG);
  EXPECT_EQ(layer->FindBone("SPINE"), layer->GetBone(0));
  EXPECT_EQ(layer->SetMotionLink(1, MotionLink{7, 3}), S_OK);
  EXPECT_EQ(layer->SetMotionLink(2, MotionLink{8, 4}), E_INVALIDARG);
  layer->SetMainMotionIndex(-1);
  layer->SetMainRegister(12);
  layer->GetBone(0)->restDirection = D3DXVECTOR3(-1, 0.5f, 2);

  // A mesh with no vertices (as SetMeshCount leaves it) round-trips without
  // buffers; the entry the program fills in becomes the layer's.
  ComPtr<IVeyaLayer> edited = Empty();
  ASSERT_EQ(edited->SetMeshCount(2), S_OK);
  LayerMesh* filled = edited->GetMesh(1);
  kept->AddRef();
  filled->vertexBuffer = kept;
  filled->vertexCount = kMeshes[1].vertices;
  filled->surfaceIndex = 6;
  const ByteVector editedBytes = Write(edited.Get());
  ComPtr<IVeyaLayer> editedBack = Read(editedBytes);
  ASSERT_TRUE(editedBack);
  EXPECT_EQ(editedBack->GetMesh(0)->vertexBuffer, nullptr);
  EXPECT_EQ(editedBack->GetMesh(1)->vertexCount, kMeshes[1].vertices);
  EXPECT_EQ(BufferBytes(editedBack->GetMesh(1)->vertexBuffer, 3 * kLayerVertexSize),
            VertexBytes(kMeshes[1]));
  // Replacing the table gives the filled entry's buffer back.
  kept->AddRef();
  ASSERT_EQ(edited->SetMeshCount(1), S_OK);
  EXPECT_EQ(kept->Release(), 1u);

  const ByteVector bytes = Write(layer.Get());
  ComPtr<IVeyaLayer> back = Read(bytes);
  ASSERT_TRUE(back);
  EXPECT_STREQ(back->GetName(), "renamed");
  EXPECT_STREQ(back->GetBone(0)->name, "Spine");
  EXPECT_STREQ(back->GetBone(1)->name, "");
  EXPECT_EQ(back->GetBone(0)->restDirection, D3DXVECTOR3(-1, 0.5f, 2));
  MotionLink link{};
  back->GetMotionLink(1, &link);
  EXPECT_EQ(link.motionIndex, 7);
  EXPECT_EQ(link.matrixRegister, 3);
  back->GetMainMotionLink(&link);
  EXPECT_EQ(link.motionIndex, -1);
  EXPECT_EQ(link.matrixRegister, 12);
  EXPECT_EQ(Write(back.Get()), bytes);

  // Counts the buffers cannot back, and triangles naming vertices the mesh
  // does not have, are refused before anything is written.
  auto expectRefused = [&] {
    DWORD written = 0;
    const ByteVector none = WrittenBytes(m_dir, [&](IFileWriter* writer) {
      EXPECT_EQ(layer->Serialize(writer, &written), E_FAIL);
      return written;
    });
    EXPECT_TRUE(none.empty());
  };
  layer->GetMesh(0)->vertexCount = 4;
  DWORD size = 0;
  EXPECT_EQ(layer->Serialize(nullptr, &size), S_OK);
  expectRefused();
  layer->GetMesh(0)->vertexCount = 2;
  expectRefused();
  layer->GetMesh(0)->vertexCount = 3;
}

// Replaces the bytes at `offset` with `with`.
ByteVector Patched(ByteVector bytes, size_t offset, const ByteVector& with) {
  std::copy(with.begin(), with.end(), bytes.begin() + long(offset));
  return bytes;
}

size_t Find(const ByteVector& bytes, const char* tag, size_t from = 0) {
  for (size_t i = from; i + 4 <= bytes.size(); ++i) {
    if (std::memcmp(&bytes[i], tag, 4) == 0) return i;
  }
  ADD_FAILURE() << tag << " not found";
  return 0;
}

TEST_F(LayerTest, MalformedPayloadsAreRefusedWithNothingKept) {
  const ByteVector full = FullPayload(m_dir).Get();

  // Every truncation of the data (the declared length still the whole
  // payload) fails cleanly in both reading modes.
  for (size_t cut = 0; cut < full.size(); cut += 7) {
    const ByteVector part(full.begin(), full.begin() + long(cut));
    Read(part, E_FAIL, cut % 2 == 0, DWORD(full.size()));
  }

  // Unknown sub-chunks are skipped, also inside entries.
  Bytes loose;
  loose.Chunk("ZZZZ", 3).Append({1, 2, 3});
  U16Chunk(loose, "MOTN", 1);
  loose.Chunk("MTNO", 19);
  loose.Chunk("QQQQ", 1).Append({9});
  U16Chunk(loose, "VSCN", 4);
  U16Chunk(loose, "BBOX", 0);  // too short for six floats
  ComPtr<IVeyaLayer> skipped = Read(ByteVector(loose.Get().begin(), loose.Get().end() - 10));
  ASSERT_TRUE(skipped);
  MotionLink link{};
  EXPECT_EQ(skipped->GetMotionLink(0, &link), S_OK);
  EXPECT_EQ(link.motionIndex, -1);
  EXPECT_EQ(link.matrixRegister, 4);
  Read(loose.Get(), E_FAIL);

  const size_t mesn = Find(full, "MESN");
  const size_t vtxn = Find(full, "VTXN");
  const size_t poly = Find(full, "POLY");
  const size_t bonn = Find(full, "BONN");
  const struct {
    const char* what;
    ByteVector bytes;
  } cases[] = {
      {"a mesh count the payload cannot hold", Patched(full, mesn + 8, {0xFF, 0x7F})},
      {"more meshes than counted", Patched(full, mesn + 8, {1, 0})},
      {"a mesh before its count", Patched(full, mesn, {'X', 'E', 'S', 'N'})},
      {"a second mesh count", Patched(full, bonn, {'M', 'E', 'S', 'N'})},
      {"a vertex count the mesh cannot hold", Patched(full, vtxn + 8, {0xFF, 0x00})},
      {"vertices before their count", Patched(full, vtxn, {'X', 'T', 'X', 'N'})},
      {"vertex data shorter than the buffer", Patched(full, vtxn + 8, {3, 0})},
      {"a triangle naming a missing vertex", Patched(full, poly + 8, {4, 0})},
      {"a sub-chunk longer than the payload", Patched(full, bonn + 4, {0xFF, 0xFF, 0xFF, 0x0F})},
      {"a second bone count", Patched(full, Find(full, "LMNO"), {'B', 'O', 'N', 'N'})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Read(c.bytes, E_FAIL);
  }
  // The largest vertex index is still in range.
  Read(Patched(full, poly + 8, {3, 0}), S_OK);
}

}  // namespace
