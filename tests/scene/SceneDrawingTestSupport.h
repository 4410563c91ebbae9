// Scenes made in code and shading services that write down or count what
// the scene asks of them, for the drawing tests.
#pragma once

#include <d3d9.h>
#include <d3d9_shader_ext.h>

#include <array>
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
#include "scene/SceneTestSupport.h"

namespace tavorin::test::drawing {

// A mesh of `vertices` vertices and `polygons` triangles whose vertices
// carry their layer and mesh number in shaderData[0..1], so the recording
// shader can tell which mesh each stream holds during a draw.
inline MeshSpec TaggedMesh(WORD layer, WORD mesh, WORD vertices, WORD polygons, WORD surface) {
  MeshSpec tagged;
  tagged.surface = surface;
  for (WORD v = 0; v < vertices; ++v) {
    LayerVertex vertex = MakeVertex(float(v), float(mesh), float(layer));
    vertex.shaderData[0] = float(layer);
    vertex.shaderData[1] = float(mesh);
    tagged.vertices.push_back(vertex);
  }
  for (UINT i = 0; i < polygons * 3u; ++i) tagged.indices.push_back(WORD(i % vertices));
  return tagged;
}

// A layer of tagged meshes, each given as {vertices, polygons, surface}.
inline ComPtr<IVeyaLayer> TaggedLayer(IDirect3DDevice9* device, WORD number,
                                      const std::vector<std::array<WORD, 3>>& meshes,
                                      MotionLink main = {-1, 0},
                                      const std::vector<MotionLink>& links = {}) {
  std::vector<MeshSpec> tagged;
  for (WORD m = 0; m < meshes.size(); ++m) {
    tagged.push_back(TaggedMesh(number, m, meshes[m][0], meshes[m][1], meshes[m][2]));
  }
  return MakeLayer(device, number, nullptr, tagged, main, links);
}

struct SurfaceLook {
  DWORD type = 0;
  DWORD blendMode = 0;
  FLOAT edgeSize = 0.0f;
  BYTE doubleSided = 0;
  BYTE z = 1;  // depth enable and write, of the surface and of its outline
};

inline ComPtr<IVeyaSurface> DrawnSurface(IDirect3DDevice9* device, WORD number,
                                         const SurfaceLook& look) {
  ComPtr<IVeyaSurface> surface = MakeSurface(device, number, "surface");
  surface->SetSurfaceType(look.type);
  surface->SetBlendMode(look.blendMode);
  surface->SetEdgeSize(look.edgeSize);
  surface->SetEdgeColor(0.5f, 0.25f, 0.125f, 1.0f);
  surface->SetDoubleSided(look.doubleSided);
  surface->SetZEnable(look.z);
  surface->SetZWrite(look.z);
  return surface;
}

// A lip-sync or blink on a fixed pair of layers.
template <class Interface>
ComPtr<Interface> FixedPair(PayloadCreator<Interface> create, WORD base, WORD target,
                            DWORD duration = 0) {
  Interface* raw = nullptr;
  EXPECT_EQ(create(&raw, nullptr, 0, nullptr), S_OK);
  ComPtr<Interface> object(raw);
  const DWORD layers[2] = {DWORD(base) | DWORD(target) << 16, duration};
  object->SetMode(kMorphModeFixed);
  object->SetLayers(layers);
  return object;
}

// An enabled collision layer of one mesh in `group`, one triangle per entry
// of `triangles` (three corners each).
inline ComPtr<IVeyaCollisionLayer> CollisionTriangles(
    IVeyaCollisionGroup* group, const std::vector<std::array<D3DXVECTOR3, 3>>& triangles) {
  IVeyaCollisionLayer* raw = nullptr;
  EXPECT_EQ(CreateCollisionLayer(&raw, nullptr, 0, nullptr, nullptr, 0), S_OK);
  ComPtr<IVeyaCollisionLayer> layer(raw);
  layer->SetEnable(1);
  layer->AllocateVertices(WORD(triangles.size() * 3));
  layer->AllocateMeshes(1);
  CollisionMesh* mesh = layer->GetMesh(0);
  mesh->group = group;
  group->AddRef();
  mesh->polygonCount = WORD(triangles.size());
  mesh->polygons = new CollisionPolygon[triangles.size()];
  for (WORD t = 0; t < triangles.size(); ++t) {
    for (WORD c = 0; c < 3; ++c) {
      layer->GetVertex(WORD(3 * t + c))->restPosition = triangles[t][c];
      mesh->polygons[t].vertices[c] = WORD(3 * t + c);
    }
  }
  return layer;
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
