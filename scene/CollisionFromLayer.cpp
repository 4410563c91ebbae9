// Collision geometry made from a scene layer's meshes.
#include "scene/CollisionFromLayer.h"

#include <d3d9.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include <comobject.h>

#include "scene/SceneFormat.h"

namespace tavorin::scene {
namespace {

constexpr WORD kNoMotion = 0xFFFF;

// Matrix register → motion index, as the layer's links bind them for
// drawing. Registers no link names stay unbound, so their vertices rest.
struct Palette {
  WORD motion[kRegisterCount];
};

HRESULT FillPalette(IVeyaLayer* layer, Palette* palette) {
  for (WORD& entry : palette->motion) entry = kNoMotion;
  MotionLink link{};
  layer->GetMainMotionLink(&link);
  palette->motion[0] = WORD(link.motionIndex);
  for (WORD k = 0; k < layer->GetMotionLinkCount(); ++k) {
    layer->GetMotionLink(k, &link);
    if (link.matrixRegister == -1) continue;
    if (link.matrixRegister < 0 || link.matrixRegister >= kRegisterCount) return E_FAIL;
    palette->motion[link.matrixRegister] = WORD(link.motionIndex);
  }
  return S_OK;
}

// Holds a buffer's lock for one scope.
template <class Buffer>
class BufferLock {
 public:
  explicit BufferLock(Buffer* buffer) : m_buffer(buffer) {}
  ~BufferLock() {
    if (m_data != nullptr) m_buffer->Unlock();
  }
  // Locks the whole buffer, refusing one smaller than `bytes`.
  HRESULT Lock(UINT bytes) {
    if (m_buffer == nullptr) return E_FAIL;
    typename std::conditional<std::is_same<Buffer, IDirect3DVertexBuffer9>::value,
                              D3DVERTEXBUFFER_DESC, D3DINDEXBUFFER_DESC>::type desc{};
    HRESULT hr = m_buffer->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    if (desc.Size < bytes) return E_FAIL;
    void* data = nullptr;
    if (FAILED(hr = m_buffer->Lock(0, 0, &data, 0))) return hr;
    m_data = static_cast<const BYTE*>(data);
    return S_OK;
  }
  const BYTE* Data() const { return m_data; }

 private:
  Buffer* m_buffer;
  const BYTE* m_data = nullptr;
};

class Builder {
 public:
  Builder(IVeyaLayer* layer, const CollisionSources& sources, IVeyaCollisionLayer* target)
      : m_layer(layer), m_sources(sources), m_target(target) {}

  HRESULT Run();

 private:
  HRESULT CopyVertices();
  HRESULT BindVertex(const LayerVertex& in, CollisionVertex* out);
  HRESULT CopyTriangles(WORD meshIndex);
  HRESULT FindGroup(WORD surfaceIndex, IVeyaCollisionGroup** group);

  IVeyaLayer* m_layer;
  const CollisionSources& m_sources;
  IVeyaCollisionLayer* m_target;
  Palette m_palette{};
  std::unique_ptr<WORD[]> m_firstVertex;  // per mesh: its first collision vertex
};

HRESULT Builder::Run() {
  if (m_layer->GetName() != nullptr) {
    HRESULT hr = m_target->SetName(m_layer->GetName());
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = FillPalette(m_layer, &m_palette);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = CopyVertices())) return hr;
  const WORD meshCount = m_layer->GetMeshCount();
  if (FAILED(hr = m_target->AllocateMeshes(meshCount))) return hr;
  for (WORD j = 0; j < meshCount; ++j) {
    if (FAILED(hr = CopyTriangles(j))) return hr;
  }
  return S_OK;
}

// The meshes' vertices follow one another, so a mesh's remap is its first
// collision vertex plus the vertex's own index.
HRESULT Builder::CopyVertices() {
  const WORD meshCount = m_layer->GetMeshCount();
  m_firstVertex.reset(new (std::nothrow) WORD[meshCount == 0 ? 1 : meshCount]);
  if (!m_firstVertex) return E_OUTOFMEMORY;
  DWORD total = 0;
  for (WORD j = 0; j < meshCount; ++j) {
    m_firstVertex[j] = WORD(total);
    total += m_layer->GetMesh(j)->vertexCount;
  }
  // Indices are 16-bit: more vertices could not be addressed.
  if (total > 0xFFFF) return E_FAIL;
  HRESULT hr = m_target->AllocateVertices(WORD(total));
  if (FAILED(hr)) return hr;
  for (WORD j = 0; j < meshCount; ++j) {
    const LayerMesh* mesh = m_layer->GetMesh(j);
    if (mesh->vertexCount == 0) continue;
    BufferLock<IDirect3DVertexBuffer9> lock(mesh->vertexBuffer);
    if (FAILED(hr = lock.Lock(UINT(mesh->vertexCount) * kLayerVertexSize))) return hr;
    for (WORD v = 0; v < mesh->vertexCount; ++v) {
      LayerVertex vertex;
      std::memcpy(&vertex, lock.Data() + size_t(v) * kLayerVertexSize, sizeof(vertex));
      hr = BindVertex(vertex, m_target->GetVertex(WORD(m_firstVertex[j] + v)));
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

HRESULT Builder::BindVertex(const LayerVertex& in, CollisionVertex* out) {
  out->restPosition = D3DXVECTOR3(in.position);
  out->position = out->restPosition;
  for (int k = 0; k < 4; ++k) {
    out->weights[k] = in.blendWeights[k];
    if (k > 0 && !(in.blendWeights[k] > 0.0f)) continue;
    const float reg = in.blendRegisters[k];
    // Checked before truncation: converting NaN or a huge value is undefined.
    if (!(reg > -1.0f && reg < float(kRegisterCount))) return E_FAIL;
    const WORD motion = m_palette.motion[int(std::trunc(reg))];
    if (!m_sources.motions.Contains(motion)) continue;
    out->bones[k] = m_sources.motions[motion];
    out->bones[k]->AddRef();
  }
  return S_OK;
}

HRESULT Builder::CopyTriangles(WORD meshIndex) {
  const LayerMesh* mesh = m_layer->GetMesh(meshIndex);
  CollisionMesh* target = m_target->GetMesh(meshIndex);
  if (!m_sources.surfaces.Contains(mesh->surfaceIndex)) return E_FAIL;
  if (mesh->polygonCount > 0) {
    BufferLock<IDirect3DIndexBuffer9> lock(mesh->indexBuffer);
    HRESULT hr = lock.Lock(UINT(mesh->polygonCount) * 3 * sizeof(WORD));
    if (FAILED(hr)) return hr;
    std::unique_ptr<CollisionPolygon[]> polygons(new (std::nothrow)
                                                     CollisionPolygon[mesh->polygonCount]);
    if (!polygons) return E_OUTOFMEMORY;
    for (DWORD p = 0; p < mesh->polygonCount; ++p) {
      for (int c = 0; c < 3; ++c) {
        WORD index;
        std::memcpy(&index, lock.Data() + (p * 3 + c) * sizeof(WORD), sizeof(WORD));
        if (index >= mesh->vertexCount) return E_FAIL;
        polygons[p].vertices[c] = WORD(m_firstVertex[meshIndex] + index);
      }
    }
    target->polygons = polygons.release();
    target->polygonCount = mesh->polygonCount;
  }
  return FindGroup(mesh->surfaceIndex, &target->group);
}

HRESULT Builder::FindGroup(WORD surfaceIndex, IVeyaCollisionGroup** group) {
  IVeyaSurface* surface = m_sources.surfaces[surfaceIndex];
  const WORD id = surface->GetIndex();
  SceneTable<IVeyaCollisionGroup>& groups = m_sources.groups;
  for (WORD g = 0; g < groups.Count(); ++g) {
    if (groups[g]->GetId() != id) continue;
    *group = groups[g];
    (*group)->AddRef();
    return S_OK;
  }
  HRESULT hr = groups.Grow();
  if (FAILED(hr)) return hr;
  IVeyaCollisionGroup* created = nullptr;
  if (FAILED(hr = CreateCollisionGroup(&created, id, groups.Count(), nullptr, 0, nullptr))) {
    return hr;
  }
  ComPtr<IVeyaCollisionGroup> held(created);
  if (FAILED(hr = created->SetName(surface->GetName()))) return hr;
  created->SetSide(surface->GetDoubleSided());
  const FLOAT diffuse = surface->GetDiffuse();
  const D3DXCOLOR color(surface->GetColorRed() * diffuse, surface->GetColorGreen() * diffuse,
                        surface->GetColorBlue() * diffuse, surface->GetExtraFactor());
  created->SetColor(&color);
  *groups.NextSlot() = held.Detach();
  groups.CommitSlot();
  *group = created;
  created->AddRef();
  return S_OK;
}

}  // namespace

HRESULT BuildCollisionLayer(IVeyaLayer* layer, const CollisionSources& sources,
                            IVeyaCollisionLayer** out) {
  *out = nullptr;
  IVeyaCollisionLayer* created = nullptr;
  HRESULT hr = CreateCollisionLayer(&created, nullptr, 0, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  ComPtr<IVeyaCollisionLayer> held(created);
  if (FAILED(hr = Builder(layer, sources, created).Run())) return hr;
  *out = held.Detach();
  return S_OK;
}

}  // namespace tavorin::scene
