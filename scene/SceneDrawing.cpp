// Layer drawing of the scene: skinned meshes, their outlines, depth passes
// and morphs, each draw bracketed by the program's shading service.
#include <d3d9.h>

#include <initializer_list>

#include "IVeyaShader.h"
#include "scene/Veya2.h"

namespace {

constexpr DWORD kAllColorChannels = 15;
constexpr WORD kNoLayer = 0xFFFF;
constexpr UINT kMaxStreams = 4;

constexpr D3DRENDERSTATETYPE kLayerStates[] = {D3DRS_CULLMODE, D3DRS_SRCBLEND, D3DRS_DESTBLEND,
                                               D3DRS_ZENABLE, D3DRS_ZWRITEENABLE};
constexpr D3DRENDERSTATETYPE kDepthStates[] = {D3DRS_CULLMODE, D3DRS_ZENABLE, D3DRS_ZWRITEENABLE};

// Render states read once when a layer draw starts and written back once when
// it ends, whichever way it ends.
template <size_t N>
class SavedRenderStates {
 public:
  SavedRenderStates(IDirect3DDevice9* device, const D3DRENDERSTATETYPE (&states)[N])
      : m_device(device), m_states(states) {
    for (size_t i = 0; i < N; ++i) m_device->GetRenderState(m_states[i], &m_values[i]);
  }
  ~SavedRenderStates() {
    for (size_t i = 0; i < N; ++i) m_device->SetRenderState(m_states[i], m_values[i]);
  }
  SavedRenderStates(const SavedRenderStates&) = delete;
  SavedRenderStates& operator=(const SavedRenderStates&) = delete;

 private:
  IDirect3DDevice9* m_device;
  const D3DRENDERSTATETYPE (&m_states)[N];
  DWORD m_values[N] = {};
};

// The layers one draw reads: the base layer gives stream 0, the indices, the
// skinning and the surfaces; morph targets give streams 1-3 mesh by mesh.
struct DrawSources {
  IVeyaLayer* layers[kMaxStreams];
  UINT count;
  DWORD technique;
  // The weights as the shading service takes them; unused for plain draws.
  const FLOAT* weights[3];
};

// What the lip-sync, the blink or the layer's own morph make of a layer draw.
struct Substitution {
  enum Kind { kNone, kSkip, kMorph } kind = kNone;
  WORD target = kNoLayer;
  FLOAT weight[3] = {0.0f, 0.0f, 0.0f};
};

// Black outlines of the depth-only passes; only the size changes per mesh.
SurfaceEdgeParameters DepthEdge(FLOAT size) {
  return SurfaceEdgeParameters{0.0f, 0.0f, 0.0f, 1.0f, size, 1, 1};
}

// The lip-sync's or the blink's layer pair, when it takes part in drawing.
template <class MorphSource>
bool ActiveMorph(MorphSource* source, MorphState* state) {
  if (source == nullptr || source->GetMode() == 0) return false;
  *state = MorphState{kNoLayer, kNoLayer, {0.0f, 0.0f, 0.0f}};
  return SUCCEEDED(source->GetState(state));
}

// A base layer is drawn as the morph; its target only through that morph.
bool DecideByPair(const MorphState& state, WORD layer, Substitution* out) {
  if (layer == state.baseLayer) {
    out->kind = Substitution::kMorph;
    out->target = state.targetLayer;
    for (int axis = 0; axis < 3; ++axis) out->weight[axis] = state.weight[axis];
    return true;
  }
  if (layer == state.targetLayer) {
    out->kind = Substitution::kSkip;
    return true;
  }
  return false;
}

SurfaceRenderParameters DepthMaterial() {
  SurfaceRenderParameters material{};
  material.red = material.green = material.blue = material.extra = 1.0f;
  material.zEnable = 1;
  material.zWrite = 1;
  return material;
}

}  // namespace

// Walks a layer's meshes for one draw operation. Lives only for that draw.
class SceneDrawer {
 public:
  explicit SceneDrawer(CVeya2& scene)
      : m_scene(scene), m_device(scene.m_device), m_shader(scene.m_shader) {}

  // The layer at `index`, or null when the table has none there.
  IVeyaLayer* Layer(WORD index) const {
    return m_scene.m_layers.Contains(index) ? m_scene.m_layers[index] : nullptr;
  }
  // Fills `out` with the listed layers, the first as the base, and the
  // technique their number asks for. False when an index names no layer.
  bool Gather(std::initializer_list<WORD> layers, DrawSources* out) const;
  Substitution Substitute(WORD layer) const;
  HRESULT Draw(const DrawSources& sources, DWORD materialArgument, DWORD edge);
  HRESULT DrawDepth(const DrawSources& sources, DWORD mode);

 private:
  HRESULT Check(const DrawSources& sources) const;
  void SetWeights(const DrawSources& sources);
  bool SkinMatrix(SHORT motion, D3DXMATRIX* out) const;
  void SetSkinMatrices(IVeyaLayer* base);
  void BindMesh(const DrawSources& sources, WORD mesh);
  void UnbindMorphStreams(const DrawSources& sources);
  void DrawMesh(const LayerMesh& mesh);
  IVeyaSurface* SurfaceOf(const LayerMesh& mesh) const {
    return m_scene.m_surfaces[mesh.surfaceIndex];
  }
  void ColourPass(const DrawSources& sources, DWORD materialArgument, DWORD edge, bool prepass);
  void EdgeDraw(IVeyaSurface* surface, const LayerMesh& mesh, DWORD technique, bool prepass);

  CVeya2& m_scene;
  IDirect3DDevice9* m_device;
  IVeyaShader* m_shader;
};

bool SceneDrawer::Gather(std::initializer_list<WORD> layers, DrawSources* out) const {
  out->count = 0;
  for (WORD index : layers) {
    IVeyaLayer* layer = Layer(index);
    if (layer == nullptr) return false;
    out->layers[out->count++] = layer;
  }
  out->technique = out->count == 1   ? kTechniqueSkinned
                   : out->count == 2 ? kTechniqueMorph1
                                     : kTechniqueMorph3;
  return true;
}

Substitution SceneDrawer::Substitute(WORD layer) const {
  Substitution result;
  MorphState state;
  if (ActiveMorph(m_scene.m_lipsync, &state) && DecideByPair(state, layer, &result)) return result;
  if (ActiveMorph(m_scene.m_blink, &state) && DecideByPair(state, layer, &result)) return result;
  IVeyaLayer* own = Layer(layer);
  const WORD target = own->GetMorphTarget();
  if (target != kNoLayer) {
    result.kind = Substitution::kMorph;
    result.target = target;
    own->GetMorphWeight(result.weight);
  }
  return result;
}

// Morph layers must match the base mesh by mesh, and every mesh needs a
// surface to be shaded with; both are settled before the device is touched.
HRESULT SceneDrawer::Check(const DrawSources& sources) const {
  IVeyaLayer* base = sources.layers[0];
  const WORD meshCount = base->GetMeshCount();
  for (UINT k = 1; k < sources.count; ++k) {
    if (sources.layers[k]->GetMeshCount() != meshCount) return E_FAIL;
  }
  for (WORD i = 0; i < meshCount; ++i) {
    const LayerMesh* mesh = base->GetMesh(i);
    if (!m_scene.m_surfaces.Contains(mesh->surfaceIndex)) return E_FAIL;
    if (m_scene.m_surfaces[mesh->surfaceIndex] == nullptr) return E_FAIL;
    for (UINT k = 1; k < sources.count; ++k) {
      if (sources.layers[k]->GetMesh(i)->vertexCount != mesh->vertexCount) return E_FAIL;
    }
  }
  return S_OK;
}

void SceneDrawer::SetWeights(const DrawSources& sources) {
  if (sources.technique == kTechniqueSkinned) return;
  m_shader->SetMorphWeights(sources.weights[0], sources.weights[1], sources.weights[2]);
}

// A link naming no motion of the table (none, or an index an edit left
// behind) takes the fallback matrix instead of reading outside the table.
bool SceneDrawer::SkinMatrix(SHORT motion, D3DXMATRIX* out) const {
  if (motion < 0 || !m_scene.m_motions.Contains(WORD(motion))) return false;
  IVeyaMotion* entry = m_scene.m_motions[WORD(motion)];
  return entry != nullptr && SUCCEEDED(entry->GetSkinMatrix(out));
}

void SceneDrawer::SetSkinMatrices(IVeyaLayer* base) {
  MotionLink link{-1, -1};
  base->GetMainMotionLink(&link);
  D3DXMATRIX mainMatrix;
  if (!SkinMatrix(link.motionIndex, &mainMatrix)) D3DXMatrixIdentity(&mainMatrix);
  if (link.matrixRegister != -1) m_shader->SetMatrix(link.matrixRegister, &mainMatrix);
  const WORD linkCount = base->GetMotionLinkCount();
  for (WORD i = 0; i < linkCount; ++i) {
    if (FAILED(base->GetMotionLink(i, &link)) || link.matrixRegister == -1) continue;
    D3DXMATRIX matrix;
    if (!SkinMatrix(link.motionIndex, &matrix)) matrix = mainMatrix;
    m_shader->SetMatrix(link.matrixRegister, &matrix);
  }
}

void SceneDrawer::BindMesh(const DrawSources& sources, WORD mesh) {
  const LayerMesh* base = sources.layers[0]->GetMesh(mesh);
  m_device->SetStreamSource(0, base->vertexBuffer, 0, kLayerVertexSize);
  for (UINT k = 1; k < sources.count; ++k) {
    m_device->SetStreamSource(k, sources.layers[k]->GetMesh(mesh)->vertexBuffer, 0,
                              kLayerVertexSize);
  }
  m_device->SetIndices(base->indexBuffer);
}

// The device reads every bound stream, so morph targets left bound would make
// the next plain draw of a larger mesh fail.
void SceneDrawer::UnbindMorphStreams(const DrawSources& sources) {
  for (UINT k = 1; k < sources.count; ++k) m_device->SetStreamSource(k, nullptr, 0, 0);
}

void SceneDrawer::DrawMesh(const LayerMesh& mesh) {
  m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, mesh.vertexCount, 0, mesh.polygonCount);
}

HRESULT SceneDrawer::Draw(const DrawSources& sources, DWORD materialArgument, DWORD edge) {
  const HRESULT checked = Check(sources);
  if (FAILED(checked)) return checked;
  SavedRenderStates<5> saved(m_device, kLayerStates);
  SetWeights(sources);
  SetSkinMatrices(sources.layers[0]);
  if (sources.layers[0]->GetDepthPrepass() != 0) {
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    m_device->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    ColourPass(sources, materialArgument, edge, true);
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, kAllColorChannels);
  }
  ColourPass(sources, materialArgument, edge, false);
  UnbindMorphStreams(sources);
  return S_OK;
}

// One pass over the meshes: the outline when asked for, then the surface.
// The depth pre-pass runs the same draws into depth only, with the depth
// fields of the material forced on and the depth states left as set.
void SceneDrawer::ColourPass(const DrawSources& sources, DWORD materialArgument, DWORD edge,
                             bool prepass) {
  IVeyaLayer* base = sources.layers[0];
  const WORD meshCount = base->GetMeshCount();
  for (WORD i = 0; i < meshCount; ++i) {
    const LayerMesh& mesh = *base->GetMesh(i);
    BindMesh(sources, i);
    IVeyaSurface* surface = SurfaceOf(mesh);
    if (edge != 0) EdgeDraw(surface, mesh, sources.technique, prepass);
    SurfaceRenderParameters material{};
    surface->GetRenderParameters(&material);
    if (prepass) material.zEnable = material.zWrite = 1;
    m_scene.SetBlendMode(material.blendMode);
    m_shader->SetMaterial(&material, materialArgument);
    m_shader->Begin(material.surfaceType, sources.technique);
    DrawMesh(mesh);
    m_shader->End();
  }
}

void SceneDrawer::EdgeDraw(IVeyaSurface* surface, const LayerMesh& mesh, DWORD technique,
                           bool prepass) {
  SurfaceEdgeParameters outline{};
  surface->GetEdgeParameters(&outline);
  if (!(outline.edgeSize > 0.0f)) return;
  m_shader->SetEdge(outline.edgeSize, &outline);
  if (!prepass) {
    m_device->SetRenderState(D3DRS_ZENABLE, outline.zEnable);
    m_device->SetRenderState(D3DRS_ZWRITEENABLE, outline.zWrite);
  }
  m_shader->BeginEdge(technique);
  DrawMesh(mesh);
  m_shader->End();
}

HRESULT SceneDrawer::DrawDepth(const DrawSources& sources, DWORD mode) {
  const HRESULT checked = Check(sources);
  if (FAILED(checked)) return checked;
  SavedRenderStates<3> saved(m_device, kDepthStates);
  SetWeights(sources);
  SetSkinMatrices(sources.layers[0]);
  const SurfaceRenderParameters material = DepthMaterial();
  m_shader->SetMaterial(&material, 0);
  m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  IVeyaLayer* base = sources.layers[0];
  const WORD meshCount = base->GetMeshCount();
  for (WORD i = 0; i < meshCount; ++i) {
    const LayerMesh& mesh = *base->GetMesh(i);
    BindMesh(sources, i);
    IVeyaSurface* surface = SurfaceOf(mesh);
    const FLOAT edgeSize = surface->GetEdgeSize();
    if (mode == 1 && edgeSize != 0.0f) {
      const SurfaceEdgeParameters outline = DepthEdge(edgeSize);
      m_shader->SetEdge(edgeSize, &outline);
      m_shader->BeginEdge(sources.technique);
      DrawMesh(mesh);
      m_shader->End();
    }
    m_device->SetRenderState(D3DRS_CULLMODE,
                             surface->GetDoubleSided() != 0 ? D3DCULL_NONE : D3DCULL_CCW);
    m_shader->Begin(kShadingPlain, sources.technique);
    DrawMesh(mesh);
    m_shader->End();
  }
  m_device->SetRenderState(D3DRS_COLORWRITEENABLE, kAllColorChannels);
  UnbindMorphStreams(sources);
  return S_OK;
}

HRESULT CVeya2::DrawAll(DWORD materialArgument, DWORD edge) {
  for (WORD i = 0; i < m_layers.Count(); ++i) {
    if (m_layers[i] == nullptr || m_layers[i]->IsVisible() == 0) continue;
    const HRESULT hr = DrawLayer(i, materialArgument, edge);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CVeya2::DrawLayer(WORD layer, DWORD materialArgument, DWORD edge) {
  SceneDrawer drawer(*this);
  DrawSources sources{};
  if (!drawer.Gather({layer}, &sources)) return E_INVALIDARG;
  const Substitution substitution = drawer.Substitute(layer);
  if (substitution.kind == Substitution::kSkip) return S_OK;
  if (substitution.kind == Substitution::kMorph) {
    return DrawLayerMorph2(layer, substitution.target, substitution.weight, materialArgument, edge);
  }
  return drawer.Draw(sources, materialArgument, edge);
}

HRESULT CVeya2::DrawLayerMorph2(WORD base, WORD target, const FLOAT* weight, DWORD materialArgument,
                                DWORD edge) {
  SceneDrawer drawer(*this);
  DrawSources sources{};
  if (!drawer.Gather({base, target}, &sources)) return E_INVALIDARG;
  if (weight == nullptr) return E_POINTER;
  sources.weights[0] = weight;
  return drawer.Draw(sources, materialArgument, edge);
}

HRESULT CVeya2::DrawLayerMorph4(WORD base, WORD layer1, const FLOAT* weight1, WORD layer2,
                                WORD layer3, const FLOAT* weight2, const FLOAT* weight3,
                                DWORD materialArgument, DWORD edge) {
  SceneDrawer drawer(*this);
  DrawSources sources{};
  if (!drawer.Gather({base, layer1, layer2, layer3}, &sources)) return E_INVALIDARG;
  if (weight1 == nullptr || weight2 == nullptr || weight3 == nullptr) return E_POINTER;
  // The service takes the three weights with the third layer's first.
  sources.weights[0] = weight3;
  sources.weights[1] = weight1;
  sources.weights[2] = weight2;
  return drawer.Draw(sources, materialArgument, edge);
}

HRESULT CVeya2::DrawDepthAll(DWORD mode) {
  for (WORD i = 0; i < m_layers.Count(); ++i) {
    IVeyaLayer* layer = m_layers[i];
    if (layer == nullptr || layer->IsVisible() == 0 || layer->GetDepthPrepass() == 0) continue;
    const HRESULT hr = DrawLayerDepth(i, mode);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CVeya2::DrawLayerDepth(WORD layer, DWORD mode) {
  SceneDrawer drawer(*this);
  DrawSources sources{};
  if (!drawer.Gather({layer}, &sources)) return E_INVALIDARG;
  const Substitution substitution = drawer.Substitute(layer);
  if (substitution.kind == Substitution::kSkip) return S_OK;
  if (substitution.kind == Substitution::kMorph) {
    return DrawLayerDepthMorph2(layer, substitution.target, substitution.weight, mode);
  }
  return drawer.DrawDepth(sources, mode);
}

HRESULT CVeya2::DrawLayerDepthMorph2(WORD base, WORD target, const FLOAT* weight, DWORD mode) {
  SceneDrawer drawer(*this);
  DrawSources sources{};
  if (!drawer.Gather({base, target}, &sources)) return E_INVALIDARG;
  if (weight == nullptr) return E_POINTER;
  sources.weights[0] = weight;
  return drawer.DrawDepth(sources, mode);
}

HRESULT CVeya2::DrawLayerDepthMorph4(WORD base, WORD layer1, const FLOAT* weight1, WORD layer2,
                                     WORD layer3, const FLOAT* weight2, const FLOAT* weight3,
                                     DWORD mode) {
  SceneDrawer drawer(*this);
  DrawSources sources{};
  if (!drawer.Gather({base, layer1, layer2, layer3}, &sources)) return E_INVALIDARG;
  if (weight1 == nullptr || weight2 == nullptr || weight3 == nullptr) return E_POINTER;
  sources.weights[0] = weight3;
  sources.weights[1] = weight1;
  sources.weights[2] = weight2;
  return drawer.DrawDepth(sources, mode);
}
