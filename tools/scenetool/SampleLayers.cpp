// The sample meshes: a body and a head skinned to the skeleton, and the
// mouth and eye layers that the lip-sync and the blink morph between.
#include <d3d9.h>

#include <cstring>

#include "tools/scenetool/Failure.h"
#include "tools/scenetool/SampleParts.h"

namespace scenetool {
namespace {

struct MeshData {
  std::vector<LayerVertex> vertices;
  std::vector<WORD> indices;
  WORD surface;
};

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw Failure(std::string("building the sample scene: ") + what + " failed");
}

LayerVertex Vertex(const D3DXVECTOR3& position, const D3DXVECTOR3& normal, float u, float v,
                   float matrixRegister) {
  LayerVertex vertex{};
  std::memcpy(vertex.position, &position, sizeof(vertex.position));
  std::memcpy(vertex.normal, &normal, sizeof(vertex.normal));
  vertex.texture[0] = u;
  vertex.texture[1] = v;
  vertex.blendRegisters[0] = matrixRegister;
  vertex.blendWeights[0] = 1.0f;
  return vertex;
}

// A box around `centre` with half sizes `half`, every corner bound to one
// matrix register.
MeshData Box(const D3DXVECTOR3& centre, const D3DXVECTOR3& half, float matrixRegister,
             WORD surface) {
  MeshData mesh{{}, {}, surface};
  for (int corner = 0; corner < 8; ++corner) {
    const D3DXVECTOR3 sign(corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f,
                           corner & 4 ? 1.0f : -1.0f);
    const D3DXVECTOR3 position(centre.x + sign.x * half.x, centre.y + sign.y * half.y,
                               centre.z + sign.z * half.z);
    D3DXVECTOR3 normal = sign;
    D3DXVec3Normalize(&normal, &normal);
    mesh.vertices.push_back(Vertex(position, normal, corner & 1 ? 1.0f : 0.0f,
                                   corner & 2 ? 1.0f : 0.0f, matrixRegister));
  }
  // Two triangles per face, wound clockwise seen from outside.
  mesh.indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                  2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
  return mesh;
}

// A quad facing -Z at `centre`, its top edge raised by `open` (the morph
// targets move only that edge, so base and target match vertex for vertex).
MeshData Quad(const D3DXVECTOR3& centre, float width, float height, float open, WORD surface) {
  MeshData mesh{{}, {}, surface};
  const D3DXVECTOR3 normal(0, 0, -1);
  for (int corner = 0; corner < 4; ++corner) {
    const float x = centre.x + (corner & 1 ? width : -width) * 0.5f;
    const float y = centre.y + (corner & 2 ? height * 0.5f + open : -height * 0.5f);
    mesh.vertices.push_back(Vertex(D3DXVECTOR3(x, y, centre.z), normal, corner & 1 ? 1.0f : 0.0f,
                                   corner & 2 ? 0.0f : 1.0f, 0.0f));
  }
  mesh.indices = {0, 2, 1, 1, 2, 3};
  return mesh;
}

template <class Buffer>
void Fill(Buffer* buffer, const void* data, size_t size) {
  void* target = nullptr;
  Check(buffer->Lock(0, 0, &target, 0), "locking a mesh buffer");
  std::memcpy(target, data, size);
  buffer->Unlock();
}

void PutMesh(IDirect3DDevice9* device, LayerMesh* mesh, const MeshData& data) {
  const UINT vertexBytes = UINT(data.vertices.size()) * kLayerVertexSize;
  const UINT indexBytes = UINT(data.indices.size() * sizeof(WORD));
  Check(
      device->CreateVertexBuffer(vertexBytes, 0, 0, D3DPOOL_MANAGED, &mesh->vertexBuffer, nullptr),
      "a vertex buffer");
  Check(device->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                  &mesh->indexBuffer, nullptr),
        "an index buffer");
  Fill(mesh->vertexBuffer, data.vertices.data(), vertexBytes);
  Fill(mesh->indexBuffer, data.indices.data(), indexBytes);
  mesh->vertexCount = WORD(data.vertices.size());
  mesh->polygonCount = WORD(data.indices.size() / 3);
  mesh->surfaceIndex = data.surface;
}

void PutBox(IVeyaLayer* layer, const std::vector<MeshData>& meshes) {
  D3DXVECTOR3 min(1e30f, 1e30f, 1e30f), max(-1e30f, -1e30f, -1e30f);
  for (const MeshData& mesh : meshes) {
    for (const LayerVertex& vertex : mesh.vertices) {
      const D3DXVECTOR3 p(vertex.position[0], vertex.position[1], vertex.position[2]);
      D3DXVec3Minimize(&min, &min, &p);
      D3DXVec3Maximize(&max, &max, &p);
    }
  }
  layer->SetBoundingBox(&min, &max);
}

struct BoneSpec {
  const char* name;
  WORD motion;
  SHORT matrixRegister;
};

ComPtr<IVeyaLayer> MakeLayer(IDirect3DDevice9* device, WORD index, const char* name,
                             const std::vector<MeshData>& meshes, SHORT mainMotion,
                             const std::vector<BoneSpec>& bones) {
  ComPtr<IVeyaLayer> layer;
  DWORD consumed = 0;
  Check(CreateLayer(layer.ReleaseAndGetAddressOf(), index, device, nullptr, 0, &consumed),
        "a layer");
  Check(layer->SetName(name), "a layer name");
  layer->SetShow(1);
  layer->SetMainMotionIndex(mainMotion);
  layer->SetMainRegister(0);
  // Each bone is also a link: the shading service gets the bone's motion in
  // the register its vertices name.
  Check(layer->SetBoneCount(WORD(bones.size())), "the bones");
  Check(layer->SetMotionLinkCount(WORD(bones.size())), "the links");
  for (WORD b = 0; b < bones.size(); ++b) {
    Check(layer->SetBoneName(b, bones[b].name), "a bone name");
    LayerBone* bone = layer->GetBone(b);
    bone->motionIndex = bones[b].motion;
    bone->restLength = 0.2f;
    bone->restDirection = D3DXVECTOR3(0, 1, 0);
    layer->SetMotionLink(b, MotionLink{SHORT(bones[b].motion), bones[b].matrixRegister});
  }
  Check(layer->SetMeshCount(WORD(meshes.size())), "the meshes");
  for (WORD m = 0; m < meshes.size(); ++m) PutMesh(device, layer->GetMesh(m), meshes[m]);
  PutBox(layer.Get(), meshes);
  return layer;
}

}  // namespace

std::vector<ComPtr<IVeyaLayer>> MakeSampleLayers(IDirect3DDevice9* device) {
  std::vector<ComPtr<IVeyaLayer>> layers;
  // Register 0 is the main link (the hips); the limbs follow their joints.
  layers.push_back(
      MakeLayer(device, kBody, "body",
                {Box({0, 1.3f, 0}, {0.2f, 0.3f, 0.12f}, 1, kCloth),
                 Box({0.45f, 1.55f, 0}, {0.25f, 0.05f, 0.05f}, 2, kSkin),
                 Box({-0.45f, 1.55f, 0}, {0.25f, 0.05f, 0.05f}, 3, kSkin)},
                kHips, {{"spine", kSpine, 1}, {"arm.L", kArmLeft, 2}, {"arm.R", kArmRight, 3}}));
  layers.push_back(MakeLayer(device, kHeadLayer, "head",
                             {Box({0, 1.8f, 0}, {0.12f, 0.14f, 0.12f}, 0, kSkin),
                              Box({0, 1.63f, 0}, {0.04f, 0.04f, 0.04f}, 1, kSkin)},
                             kHead, {{"neck", kNeck, 1}}));
  const D3DXVECTOR3 mouth(0, 1.72f, -0.125f), eyes(0, 1.84f, -0.125f);
  layers.push_back(MakeLayer(device, kMouthClosed, "mouth-closed",
                             {Quad(mouth, 0.08f, 0.02f, 0, kMouth)}, kHead, {}));
  layers.push_back(MakeLayer(device, kMouthOpen, "mouth-open",
                             {Quad(mouth, 0.08f, 0.02f, 0.04f, kMouth)}, kHead, {}));
  layers.push_back(MakeLayer(device, kEyesOpen, "eyes-open",
                             {Quad(eyes + D3DXVECTOR3(-0.05f, 0, 0), 0.04f, 0.03f, 0, kEyes),
                              Quad(eyes + D3DXVECTOR3(0.05f, 0, 0), 0.04f, 0.03f, 0, kEyes)},
                             kHead, {}));
  layers.push_back(MakeLayer(device, kEyesClosed, "eyes-closed",
                             {Quad(eyes + D3DXVECTOR3(-0.05f, 0, 0), 0.04f, 0.03f, -0.028f, kEyes),
                              Quad(eyes + D3DXVECTOR3(0.05f, 0, 0), 0.04f, 0.03f, -0.028f, kEyes)},
                             kHead, {}));
  // The closed eyes and the open mouth are morph targets only: hidden, so
  // drawing all layers shows each face part once.
  layers[kMouthOpen]->SetShow(0);
  layers[kEyesClosed]->SetShow(0);
  // The head layer shows from frame 0 and hides for a few frames at 110,
  // to have a visibility track to play with.
  StepTrack* visibility = layers[kHeadLayer]->GetVisibilityTrack();
  visibility->keyCount = 3;
  visibility->keys.reset(new StepKey[3]{{0, 1}, {110, 0}, {115, 1}});
  layers[kHeadLayer]->SetVisibilityEnabled(1);
  return layers;
}

}  // namespace scenetool
