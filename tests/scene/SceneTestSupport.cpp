// Scene files assembled in code for the scene tests.
#include "SceneTestSupport.h"

#include <d3d9.h>

#include <cstring>

namespace tavorin::test {
namespace {

class QuietShader : public ComObject<IVeyaShader> {
 public:
  HRESULT Init() { return S_OK; }
  HRESULT Begin(DWORD, DWORD) override { return S_OK; }
  HRESULT BeginEdge(DWORD) override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT SetMaterial(const SurfaceRenderParameters*, DWORD) override { return S_OK; }
  HRESULT SetMatrix(SHORT, const D3DXMATRIX*) override { return S_OK; }
  HRESULT SetMorphWeights(const FLOAT*, const FLOAT*, const FLOAT*) override { return S_OK; }
  HRESULT SetEdge(FLOAT, const SurfaceEdgeParameters*) override { return S_OK; }
};

void PutU32(ByteVector& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}

void PutTag(ByteVector& bytes, const char* tag) {
  bytes.insert(bytes.end(), tag, tag + 4);
}

template <class Buffer>
void Fill(Buffer* buffer, const void* data, size_t size) {
  void* target = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &target, 0), S_OK);
  std::memcpy(target, data, size);
  buffer->Unlock();
}

}  // namespace

ComPtr<IVeyaShader> MakeQuietShader() {
  IVeyaShader* shader = nullptr;
  CreateComObject<QuietShader>(&shader);
  return ComPtr<IVeyaShader>(shader);
}

SceneFile& SceneFile::Chunk(const char* tag, const ByteVector& payload) {
  PutTag(m_body, tag);
  PutU32(m_body, uint32_t(payload.size()));
  m_body.insert(m_body.end(), payload.begin(), payload.end());
  return *this;
}

SceneFile& SceneFile::Count(const char* tag, WORD count, DWORD size) {
  ByteVector payload{uint8_t(count), uint8_t(count >> 8)};
  payload.resize(size, 0);
  return Chunk(tag, payload);
}

ByteVector SceneFile::Build() const {
  return Build(DWORD(m_body.size()));
}

ByteVector SceneFile::Build(DWORD total) const {
  ByteVector file;
  PutTag(file, "VMF4");
  PutU32(file, total);
  file.insert(file.end(), m_body.begin(), m_body.end());
  return file;
}

ByteVector SerializedPayload(const TempDir& dir,
                             const std::function<HRESULT(IFileWriter*, DWORD*)>& serialize) {
  DWORD counted = 0, written = 0;
  EXPECT_EQ(serialize(nullptr, &counted), S_OK);
  const std::string path = dir.File("payload.bin");
  IFileWriter* writer = nullptr;
  EXPECT_EQ(CreateFileWriter(&writer, path.c_str()), S_OK);
  if (writer == nullptr) return {};
  EXPECT_EQ(serialize(writer, &written), S_OK);
  writer->Release();
  EXPECT_EQ(written, counted);
  return dir.Read("payload.bin");
}

LayerVertex MakeVertex(float x, float y, float z, std::vector<float> registers,
                       std::vector<float> weights) {
  LayerVertex vertex{};
  vertex.position[0] = x;
  vertex.position[1] = y;
  vertex.position[2] = z;
  for (int k = 0; k < 4; ++k) {
    vertex.blendRegisters[k] = registers[k];
    vertex.blendWeights[k] = weights[k];
  }
  return vertex;
}

ComPtr<IVeyaLayer> MakeLayer(IDirect3DDevice9* device, WORD index, const char* name,
                             const std::vector<MeshSpec>& meshes, MotionLink main,
                             const std::vector<MotionLink>& links, const std::vector<float>& box) {
  IVeyaLayer* created = nullptr;
  DWORD consumed = 0;
  EXPECT_EQ(CreateLayer(&created, index, device, nullptr, 0, &consumed), S_OK);
  ComPtr<IVeyaLayer> layer(created);
  if (!layer) return layer;
  layer->SetName(name);
  layer->SetShow(1);
  layer->SetMainMotionIndex(main.motionIndex);
  layer->SetMainRegister(main.matrixRegister);
  layer->SetMotionLinkCount(WORD(links.size()));
  for (size_t k = 0; k < links.size(); ++k) layer->SetMotionLink(WORD(k), links[k]);
  if (box.size() == 6) {
    const D3DXVECTOR3 min(box[0], box[1], box[2]), max(box[3], box[4], box[5]);
    layer->SetBoundingBox(&min, &max);
  }
  layer->SetMeshCount(WORD(meshes.size()));
  for (size_t m = 0; m < meshes.size(); ++m) {
    const MeshSpec& spec = meshes[m];
    LayerMesh* mesh = layer->GetMesh(WORD(m));
    mesh->surfaceIndex = spec.surface;
    if (spec.vertices.empty()) continue;
    const UINT vertexBytes = UINT(spec.vertices.size()) * kLayerVertexSize;
    const UINT indexBytes = UINT(spec.indices.size()) * sizeof(WORD);
    EXPECT_EQ(device->CreateVertexBuffer(vertexBytes, 0, 0, D3DPOOL_MANAGED, &mesh->vertexBuffer,
                                         nullptr),
              S_OK);
    EXPECT_EQ(device->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                        &mesh->indexBuffer, nullptr),
              S_OK);
    if (mesh->vertexBuffer == nullptr || mesh->indexBuffer == nullptr) continue;
    Fill(mesh->vertexBuffer, spec.vertices.data(), vertexBytes);
    Fill(mesh->indexBuffer, spec.indices.data(), indexBytes);
    mesh->vertexCount = WORD(spec.vertices.size());
    mesh->polygonCount = WORD(spec.indices.size() / 3);
  }
  return layer;
}

MeshSpec FanMesh(WORD count, WORD surface, float x) {
  MeshSpec mesh;
  mesh.surface = surface;
  for (WORD v = 0; v < count; ++v) mesh.vertices.push_back(MakeVertex(x + v, float(v % 2), 0.0f));
  for (WORD v = 1; v + 1 < count; ++v) mesh.indices.insert(mesh.indices.end(), {0, v, WORD(v + 1)});
  return mesh;
}

ComPtr<IVeyaMotion> MakeMotion(WORD index, WORD parent, float slope, const char* name) {
  IVeyaMotion* created = nullptr;
  EXPECT_EQ(CreateMotion(&created, index, nullptr, 0, nullptr), S_OK);
  ComPtr<IVeyaMotion> motion(created);
  if (!motion) return motion;
  if (name != nullptr) motion->SetName(name);
  CurveTrack* x = motion->GetTrackTranslationX();
  x->keyCount = 2;
  x->keys.reset(new CurveKey[2]);
  x->keys[0] = CurveKey{-1000.0f * slope, -1000, kCurveShapeLinear, {0, 0, 0, 0, 0, 0}};
  x->keys[1] = CurveKey{1000.0f * slope, 1000, kCurveShapeLinear, {0, 0, 0, 0, 0, 0}};
  if (parent != 0xFFFF) {
    IVeyaMotion* stand = nullptr;
    EXPECT_EQ(CreateMotion(&stand, parent, nullptr, 0, nullptr), S_OK);
    motion->SetParent(stand);
    stand->Release();
  }
  return motion;
}

ComPtr<IVeyaSurface> MakeSurface(IDirect3DDevice9* device, WORD index, const char* name) {
  IVeyaSurface* created = nullptr;
  EXPECT_EQ(CreateSurface(&created, nullptr, device, index, 0, nullptr), S_OK);
  if (created != nullptr) created->SetName(name);
  return ComPtr<IVeyaSurface>(created);
}

ComPtr<IVeyaCamera> MakeCamera(SHORT motion, const char* name) {
  IVeyaCamera* created = nullptr;
  EXPECT_EQ(CreateCamera(&created, nullptr, 0, nullptr), S_OK);
  if (created != nullptr) {
    created->SetName(name);
    created->SetMotionIndex(motion);
  }
  return ComPtr<IVeyaCamera>(created);
}

ByteVector SampleScene(const TempDir& dir, IDirect3DDevice9* device) {
  SceneFile file(dir);
  MeshSpec skinned = FanMesh(4, 1);
  skinned.vertices[1] = MakeVertex(1, 1, 0, {1, 2, 0, 0}, {0.5f, 0.5f, 0, 0});
  ComPtr<IVeyaLayer> body =
      MakeLayer(device, 0, "body", {skinned, FanMesh(5, 0, 2.0f), FanMesh(3, 1, 4.0f)}, {0, 0},
                {{2, 1}, {1, 2}}, {-1, -2, -3, 4, 5, 6});
  ComPtr<IVeyaLayer> face =
      MakeLayer(device, 1, "face", {FanMesh(4, 0)}, {1, 0}, {}, {-2, 0, 0, 1, 7, 1});
  file.Count("LYRN", 2).Object("LYER", body.Get()).Object("LYER", face.Get());
  ComPtr<IVeyaMotion> motions[] = {MakeMotion(0, 2, 1.0f, "hip"), MakeMotion(1),
                                   MakeMotion(2, 1, 0.5f, "root")};
  file.Count("MOTN", 3);
  for (auto& motion : motions) file.Object("MOTI", motion.Get());
  ComPtr<IVeyaSurface> skin = MakeSurface(device, 0, "skin");
  ComPtr<IVeyaSurface> cloth = MakeSurface(device, 1, "cloth");
  file.Count("SRFN", 2).Object("SURF", skin.Get()).Object("SURF", cloth.Get());
  ComPtr<IVeyaCamera> camera = MakeCamera(1);
  file.Count("CAMN", 1).Object("CAM ", camera.Get());
  file.Count("LITN", 1).Chunk("LIGT", {});
  IVeyaCollisionGroup* groups[2] = {};
  CreateCollisionGroup(&groups[0], 0, 0, nullptr, 0, nullptr);
  CreateCollisionGroup(&groups[1], 1, 1, nullptr, 0, nullptr);
  groups[1]->SetName("hard");
  groups[1]->SetSide(1);
  file.Count("CGNM", 2).Object("CGRP", groups[0]).Object("CGRP", groups[1]);
  IVeyaCollisionLayer* clay = nullptr;
  CreateCollisionLayer(&clay, nullptr, 0, nullptr, groups, 2);
  clay->SetName("hits");
  clay->SetEnable(1);
  clay->AllocateVertices(3);
  const D3DXVECTOR3 corners[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  for (WORD v = 0; v < 3; ++v) {
    CollisionVertex* vertex = clay->GetVertex(v);
    vertex->restPosition = vertex->position = corners[v];
    vertex->bones[0] = motions[v == 2 ? 2 : 0].Get();
    vertex->bones[0]->AddRef();
    vertex->weights[0] = 1.0f;
  }
  clay->AllocateMeshes(2);
  for (WORD m = 0; m < 2; ++m) {
    CollisionMesh* mesh = clay->GetMesh(m);
    mesh->group = groups[m];
    groups[m]->AddRef();
    mesh->polygons = new CollisionPolygon[1]{{{0, 1, 2}}};
    mesh->polygonCount = 1;
  }
  file.Count("CLNM", 1).Object("CLAY", clay);
  clay->Release();
  groups[0]->Release();
  groups[1]->Release();
  IVeyaLipsync* lipsync = nullptr;
  CreateLipsync(&lipsync, nullptr, 0, nullptr);
  const DWORD pair = 0 | 1u << 16;
  lipsync->SetLayers(&pair);
  lipsync->SetMode(kMorphModeFixed);
  file.Object("LIPS", lipsync);
  lipsync->Release();
  IVeyaBlink* blink = nullptr;
  CreateBlink(&blink, nullptr, 0, nullptr);
  const DWORD blinkLayers[2] = {1, 120};
  blink->SetLayers(blinkLayers);
  file.Object("BLNK", blink);
  blink->Release();
  return file.Build();
}

ComPtr<IVeya2> LoadSceneBytes(const TempDir& dir, const ByteVector& bytes, IDirect3DDevice9* device,
                              IVeyaShader* shader, HRESULT* hr, const std::string& name) {
  const std::string path = dir.Write(name, bytes);
  IVeya2* scene = reinterpret_cast<IVeya2*>(uintptr_t(1));
  const HRESULT result = CreateVeya2(&scene, path.c_str(), device, shader, nullptr);
  if (hr != nullptr) *hr = result;
  if (FAILED(result)) {
    EXPECT_EQ(scene, nullptr);
    return ComPtr<IVeya2>();
  }
  return ComPtr<IVeya2>(scene);
}

ByteVector SavedBytes(const TempDir& dir, IVeya2* scene, const std::string& name) {
  EXPECT_EQ(scene->Save(dir.File(name).c_str()), S_OK);
  return dir.Read(name);
}

}  // namespace tavorin::test
