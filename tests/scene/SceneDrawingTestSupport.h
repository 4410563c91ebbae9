// Scenes made in code and a shading service that writes down what the scene
// asks of it, for the drawing tests and the drawing benchmark's checks.
#pragma once

#include <d3d9.h>
#include <d3d9_shader_ext.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <comobject.h>

#include "IVeya2.h"
#include "IVeyaBlink.h"
#include "IVeyaCollisionLayer.h"
#include "IVeyaLayer.h"
#include "IVeyaLipsync.h"
#include "IVeyaMotion.h"
#include "IVeyaShader.h"
#include "IVeyaSurface.h"
#include "scene/ComponentTestSupport.h"

namespace tavorin::test::drawing {

// ---------------------------------------------------------------------------
// Building scene files

struct MeshSpec {
  WORD vertices;
  WORD polygons;
  WORD surface;
};

struct BoneSpec {
  FLOAT restLength;
  WORD motion;  // 0xFFFF: unbound
};

struct LayerSpec {
  std::vector<MeshSpec> meshes;
  DWORD show = 1;
  DWORD depthPrepass = 0;
  MotionLink mainLink{-1, 0};
  std::vector<MotionLink> links;
  std::vector<BoneSpec> bones;
  WORD morphTarget = 0xFFFF;  // the morph is enabled when this names a layer
  FLOAT morphWeight = 1.0f;
};

// Every vertex carries its layer and mesh number in shaderData[0..1], so the
// recording shader can tell which mesh each stream holds during a draw.
inline std::vector<uint8_t> LayerPayload(const TempDir& dir, IDirect3DDevice9* device, WORD number,
                                         const LayerSpec& spec) {
  IVeyaLayer* raw = nullptr;
  EXPECT_EQ(CreateLayer(&raw, number, nullptr, nullptr, 0, nullptr), S_OK);
  ComPtr<IVeyaLayer> layer(raw);
  layer->SetShow(spec.show);
  layer->SetDepthPrepass(spec.depthPrepass);
  layer->SetMainMotionIndex(spec.mainLink.motionIndex);
  layer->SetMainRegister(spec.mainLink.matrixRegister);
  layer->SetMeshCount(WORD(spec.meshes.size()));
  for (WORD m = 0; m < spec.meshes.size(); ++m) {
    const MeshSpec& mesh = spec.meshes[m];
    LayerMesh* entry = layer->GetMesh(m);
    entry->vertexCount = mesh.vertices;
    entry->polygonCount = mesh.polygons;
    entry->surfaceIndex = mesh.surface;
    device->CreateVertexBuffer(mesh.vertices * kLayerVertexSize, D3DUSAGE_WRITEONLY, 0,
                               D3DPOOL_MANAGED, &entry->vertexBuffer, nullptr);
    device->CreateIndexBuffer(mesh.polygons * 6u, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                              D3DPOOL_MANAGED, &entry->indexBuffer, nullptr);
    void* data = nullptr;
    entry->vertexBuffer->Lock(0, 0, &data, 0);
    auto* vertices = static_cast<LayerVertex*>(data);
    for (WORD v = 0; v < mesh.vertices; ++v) {
      vertices[v] = LayerVertex{{float(v), float(m), float(number)}, {0, 0, 1},    {0, 0},
                                {float(number), float(m), 0, 0},     {0, 0, 0, 0}, {1, 0, 0, 0}};
    }
    entry->vertexBuffer->Unlock();
    entry->indexBuffer->Lock(0, 0, &data, 0);
    auto* indices = static_cast<WORD*>(data);
    for (UINT i = 0; i < mesh.polygons * 3u; ++i) indices[i] = WORD(i % mesh.vertices);
    entry->indexBuffer->Unlock();
  }
  layer->SetMotionLinkCount(WORD(spec.links.size()));
  for (WORD i = 0; i < spec.links.size(); ++i) layer->SetMotionLink(i, spec.links[i]);
  layer->SetBoneCount(WORD(spec.bones.size()));
  for (WORD i = 0; i < spec.bones.size(); ++i) {
    layer->GetBone(i)->restLength = spec.bones[i].restLength;
    layer->GetBone(i)->motionIndex = spec.bones[i].motion;
    layer->SetBoneName(i, "bone");
  }
  if (spec.morphTarget != 0xFFFF) {
    layer->SetMorphEnabled(1);
    layer->GetMorphTargetTrack()->defaultValue = spec.morphTarget;
    layer->GetMorphWeightTrack()->defaultValue = spec.morphWeight;
  }
  return Payload(dir, layer.Get());
}

struct SurfaceSpec {
  DWORD type = 0;
  DWORD blendMode = 0;
  FLOAT edgeSize = 0.0f;
  BYTE doubleSided = 0;
  BYTE z = 1;  // depth enable and write, of the surface and of its outline
};

inline std::vector<uint8_t> SurfacePayload(const TempDir& dir, IDirect3DDevice9* device,
                                           WORD number, const SurfaceSpec& spec) {
  IVeyaSurface* raw = nullptr;
  EXPECT_EQ(CreateSurface(&raw, nullptr, device, number, 0, nullptr), S_OK);
  ComPtr<IVeyaSurface> surface(raw);
  surface->SetSurfaceType(spec.type);
  surface->SetBlendMode(spec.blendMode);
  surface->SetEdgeSize(spec.edgeSize);
  surface->SetEdgeColor(0.5f, 0.25f, 0.125f, 1.0f);
  surface->SetDoubleSided(spec.doubleSided);
  surface->SetZEnable(spec.z);
  surface->SetZWrite(spec.z);
  return Payload(dir, surface.Get());
}

inline std::vector<uint8_t> MotionPayload(const TempDir& dir, WORD number) {
  IVeyaMotion* raw = nullptr;
  EXPECT_EQ(CreateMotion(&raw, number, nullptr, 0, nullptr), S_OK);
  ComPtr<IVeyaMotion> motion(raw);
  return Payload(dir, motion.Get());
}

// The lip-sync or blink payload of a fixed pair of layers.
template <class Interface>
std::vector<uint8_t> PairPayload(const TempDir& dir, PayloadCreator<Interface> create, WORD base,
                                 WORD target, DWORD duration = 0) {
  Interface* raw = nullptr;
  EXPECT_EQ(create(&raw, nullptr, 0, nullptr), S_OK);
  ComPtr<Interface> object(raw);
  const DWORD layers[2] = {DWORD(base) | DWORD(target) << 16, duration};
  object->SetMode(kMorphModeFixed);
  object->SetLayers(layers);
  return Payload(dir, object.Get());
}

struct TriangleSpec {
  D3DXVECTOR3 corners[3];
};

// A collision group and one collision layer of one mesh in that group.
inline void CollisionPayloads(const TempDir& dir, const D3DXCOLOR& color, BYTE side,
                              const std::vector<TriangleSpec>& triangles,
                              std::vector<uint8_t>* group, std::vector<uint8_t>* layer) {
  IVeyaCollisionGroup* rawGroup = nullptr;
  EXPECT_EQ(CreateCollisionGroup(&rawGroup, 0, 0, nullptr, 0, nullptr), S_OK);
  ComPtr<IVeyaCollisionGroup> made(rawGroup);
  made->SetColor(&color);
  made->SetSide(side);
  *group = Payload(dir, made.Get());
  IVeyaCollisionLayer* rawLayer = nullptr;
  EXPECT_EQ(CreateCollisionLayer(&rawLayer, nullptr, 0, nullptr, nullptr, 0), S_OK);
  ComPtr<IVeyaCollisionLayer> collision(rawLayer);
  collision->SetEnable(1);
  collision->AllocateVertices(WORD(triangles.size() * 3));
  collision->AllocateMeshes(1);
  CollisionMesh* mesh = collision->GetMesh(0);
  mesh->group = made.Get();
  made->AddRef();
  mesh->polygonCount = WORD(triangles.size());
  mesh->polygons = new CollisionPolygon[triangles.size()];
  for (WORD t = 0; t < triangles.size(); ++t) {
    for (WORD c = 0; c < 3; ++c) {
      collision->GetVertex(WORD(3 * t + c))->restPosition = triangles[t].corners[c];
      collision->GetVertex(WORD(3 * t + c))->position = triangles[t].corners[c];
      mesh->polygons[t].vertices[c] = WORD(3 * t + c);
    }
  }
  *layer = Payload(dir, collision.Get());
}

// Chunks of a "VMF4" file in the order they are added.
class SceneFile {
 public:
  SceneFile& Table(const char* countTag, const char* objectTag,
                   const std::vector<std::vector<uint8_t>>& payloads) {
    m_chunks.Chunk(countTag, 2).U16(WORD(payloads.size()));
    for (const auto& payload : payloads) Object(objectTag, payload);
    return *this;
  }
  SceneFile& Object(const char* tag, const std::vector<uint8_t>& payload) {
    m_chunks.Chunk(tag, DWORD(payload.size())).Append(payload);
    return *this;
  }
  std::vector<uint8_t> Bytes() const {
    tavorin::test::Bytes file;
    file.Tag("VMF4").U32(m_chunks.Size()).Append(m_chunks.Get());
    return file.Get();
  }

 private:
  tavorin::test::Bytes m_chunks;
};

inline ComPtr<IVeya2> LoadDrawingScene(const TempDir& dir, const SceneFile& file,
                                       IDirect3DDevice9* device, IVeyaShader* shader) {
  const std::string path = dir.Write("scene.vmf", file.Bytes());
  IVeya2* scene = nullptr;
  EXPECT_EQ(CreateVeya2(&scene, path.c_str(), device, shader, nullptr), S_OK);
  return ComPtr<IVeya2>(scene);
}

// ---------------------------------------------------------------------------
// The recording shading service

// What the vertex stage saw during one draw: the layer and mesh tags of the
// first vertex of every bound stream, and how many vertices it processed.
struct DrawTrace {
  std::string streams;
  UINT vertices = 0;
  std::vector<LayerVertex> firstVertices;  // stream 0, up to 8 vertices
};

// One call on the service with the device state it found.
struct ShaderCall {
  std::string text;
  DWORD colorWrite = 0, zEnable = 0, zWrite = 0, cull = 0, srcBlend = 0, destBlend = 0;
  D3DXMATRIX matrix;                 // SetMatrix
  SurfaceRenderParameters material;  // SetMaterial
  SurfaceEdgeParameters edge;        // SetEdge
  FLOAT weights[3][3];               // SetMorphWeights
  DrawTrace draw;                    // End: the draws since Begin
};

// Writes down every call as text ("Begin 3 0", "SetMatrix 2", "End L0M1 x4"
// ...) with the device's render states at that moment. A vertex callable
// bound on the device notes what each draw between Begin and End fed it.
class RecordingShader : public ComObject<IVeyaShader> {
 public:
  explicit RecordingShader(IDirect3DDevice9* device) : m_device(device) {
    std::shared_ptr<DrawTrace> trace = m_trace;
    D3DCreateVertexShaderFromFunction(
        device,
        [trace](const D3DSHADER_VERTEX_INPUT& in, D3DSHADER_VERTEX_OUTPUT& out) {
          if (trace->vertices == 0) {
            for (int s = 0; s < D3DSHADER_MAX_STREAMS && in.streams[s] != nullptr; ++s) {
              LayerVertex v;
              std::memcpy(&v, in.streams[s], sizeof v);
              char tag[32];
              std::snprintf(tag, sizeof tag, "%sL%dM%d", s == 0 ? "" : "+", int(v.shaderData[0]),
                            int(v.shaderData[1]));
              trace->streams += tag;
            }
          }
          if (trace->firstVertices.size() < 8) {
            LayerVertex v;
            std::memcpy(&v, in.streams[0], sizeof v);
            trace->firstVertices.push_back(v);
          }
          ++trace->vertices;
          out.position[3] = 1.0f;
        },
        m_vertexShader.ReleaseAndGetAddressOf());
    device->SetVertexShader(m_vertexShader.Get());
  }

  std::vector<ShaderCall> calls;

  // The texts of the calls, in order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ShaderCall& call : calls) texts.push_back(call.text);
    return texts;
  }
  // The texts of the calls that start with `prefix`.
  std::vector<std::string> Texts(const std::string& prefix) const {
    std::vector<std::string> texts;
    for (const ShaderCall& call : calls) {
      if (call.text.compare(0, prefix.size(), prefix) == 0) texts.push_back(call.text);
    }
    return texts;
  }

  HRESULT STDMETHODCALLTYPE Begin(DWORD shadingType, DWORD technique) override {
    StartDraw();
    return Note("Begin " + std::to_string(shadingType) + " " + std::to_string(technique));
  }
  HRESULT STDMETHODCALLTYPE BeginEdge(DWORD technique) override {
    StartDraw();
    return Note("BeginEdge " + std::to_string(technique));
  }
  HRESULT STDMETHODCALLTYPE End() override {
    std::string text = "End";
    if (m_trace->vertices > 0) {
      text += " " + m_trace->streams + " x" + std::to_string(m_trace->vertices);
    }
    Note(text);
    calls.back().draw = *m_trace;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMaterial(const SurfaceRenderParameters* parameters,
                                        DWORD materialArgument) override {
    Note("SetMaterial " + std::to_string(parameters->surfaceType) + " " +
         std::to_string(materialArgument));
    calls.back().material = *parameters;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMatrix(SHORT matrixRegister, const D3DXMATRIX* matrix) override {
    Note("SetMatrix " + std::to_string(matrixRegister));
    calls.back().matrix = *matrix;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMorphWeights(const FLOAT* weight1, const FLOAT* weight2,
                                            const FLOAT* weight3) override {
    const FLOAT* weights[3] = {weight1, weight2, weight3};
    std::string text = "SetMorphWeights";
    for (const FLOAT* weight : weights) {
      char part[24];
      if (weight == nullptr) std::snprintf(part, sizeof part, " -");
      if (weight != nullptr) std::snprintf(part, sizeof part, " %g", double(weight[0]));
      text += part;
    }
    Note(text);
    for (int i = 0; i < 3; ++i) {
      for (int axis = 0; axis < 3; ++axis) {
        calls.back().weights[i][axis] = weights[i] == nullptr ? -1.0f : weights[i][axis];
      }
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetEdge(FLOAT edgeSize,
                                    const SurfaceEdgeParameters* parameters) override {
    char text[32];
    std::snprintf(text, sizeof text, "SetEdge %g", double(edgeSize));
    Note(text);
    calls.back().edge = *parameters;
    return S_OK;
  }

 private:
  void StartDraw() { *m_trace = DrawTrace{}; }
  HRESULT Note(const std::string& text) {
    ShaderCall call{};
    call.text = text;
    m_device->GetRenderState(D3DRS_COLORWRITEENABLE, &call.colorWrite);
    m_device->GetRenderState(D3DRS_ZENABLE, &call.zEnable);
    m_device->GetRenderState(D3DRS_ZWRITEENABLE, &call.zWrite);
    m_device->GetRenderState(D3DRS_CULLMODE, &call.cull);
    m_device->GetRenderState(D3DRS_SRCBLEND, &call.srcBlend);
    m_device->GetRenderState(D3DRS_DESTBLEND, &call.destBlend);
    calls.push_back(call);
    return S_OK;
  }

  IDirect3DDevice9* m_device;
  ComPtr<IDirect3DVertexShader9> m_vertexShader;
  std::shared_ptr<DrawTrace> m_trace = std::make_shared<DrawTrace>();
};

// A shading service that only counts the draws it brackets.
class CountingShader : public ComObject<IVeyaShader> {
 public:
  long draws = 0;

  HRESULT STDMETHODCALLTYPE Begin(DWORD, DWORD) override {
    ++draws;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BeginEdge(DWORD) override {
    ++draws;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE End() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMaterial(const SurfaceRenderParameters*, DWORD) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMatrix(SHORT, const D3DXMATRIX*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMorphWeights(const FLOAT*, const FLOAT*, const FLOAT*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetEdge(FLOAT, const SurfaceEdgeParameters*) override { return S_OK; }
};

}  // namespace tavorin::test::drawing
