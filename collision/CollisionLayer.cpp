#include "collision/CollisionLayer.h"

#include <new>

#include "animation/ChunkName.h"
#include "collision/CollisionLayerPayload.h"
#include "collision/HitTest.h"

namespace {

constexpr WORD kNone = 0xFFFF;

// Weighted sum of the bound motions' skin transforms of `rest`; the chain
// stops at the first empty slot.
void PoseVertex(CollisionVertex& vertex, const D3DXVECTOR3& rest) {
  if (vertex.bones[0] == nullptr) {
    vertex.position = rest;
    return;
  }
  D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
  for (int k = 0; k < 4 && vertex.bones[k] != nullptr; ++k) {
    D3DXVECTOR3 moved;
    vertex.bones[k]->TransformCoord(&moved, &rest);
    sum += moved * vertex.weights[k];
  }
  vertex.position = sum;
}

}  // namespace

HRESULT CreateCollisionLayer(IVeyaCollisionLayer** out, IFileReader* reader, DWORD length,
                             DWORD* consumed, IVeyaCollisionGroup** groups, WORD groupCount) {
  if (consumed != nullptr) *consumed = 0;
  return tavorin::CreateComObject<CVeyaCollisionLayer>(out, reader, length, consumed, groups,
                                                       groupCount);
}

CVeyaCollisionLayer::~CVeyaCollisionLayer() {
  FreeVertices();
  FreeMeshes();
}

HRESULT CVeyaCollisionLayer::Init(IFileReader* reader, DWORD length, DWORD* consumed,
                                  IVeyaCollisionGroup** groups, WORD groupCount) {
  if (reader == nullptr) return S_OK;
  tavorin::animation::RunReader in(reader, length);
  const HRESULT hr = tavorin::collision::ReadCollisionLayerPayload(in, *this, groups, groupCount);
  if (consumed != nullptr) *consumed = in.Consumed();
  return hr;
}

void CVeyaCollisionLayer::FreeVertices() {
  for (WORD i = 0; i < m_vertexCount; ++i) {
    for (IVeyaMotion*& bone : m_vertices[i].bones) {
      if (bone != nullptr) bone->Release();
      bone = nullptr;
    }
  }
  m_vertices.reset();
  m_boneIndices.reset();
  m_vertexCount = 0;
}

void CVeyaCollisionLayer::FreeMeshes() {
  for (WORD m = 0; m < m_meshCount; ++m) {
    if (m_meshes[m].group != nullptr) m_meshes[m].group->Release();
    delete[] m_meshes[m].polygons;
  }
  m_meshes.reset();
  m_meshCount = 0;
}

HRESULT CVeyaCollisionLayer::AllocateVertices(WORD count) {
  FreeVertices();
  if (count == 0) return S_OK;
  std::unique_ptr<CollisionVertex[]> vertices(new (std::nothrow) CollisionVertex[count]());
  std::unique_ptr<CollisionBoneIndices[]> indices(new (std::nothrow) CollisionBoneIndices[count]);
  if (!vertices || !indices) return E_OUTOFMEMORY;
  for (WORD i = 0; i < count; ++i) {
    for (WORD& slot : indices[i].slots) slot = kNone;
  }
  m_vertices = std::move(vertices);
  m_boneIndices = std::move(indices);
  m_vertexCount = count;
  return S_OK;
}

HRESULT CVeyaCollisionLayer::AllocateMeshes(WORD count) {
  FreeMeshes();
  if (count == 0) return S_OK;
  m_meshes.reset(new (std::nothrow) CollisionMesh[count]());
  if (!m_meshes) return E_OUTOFMEMORY;
  m_meshCount = count;
  return S_OK;
}

void CVeyaCollisionLayer::Update() {
  for (WORD i = 0; i < m_vertexCount; ++i) {
    CollisionVertex& vertex = m_vertices[i];
    PoseVertex(vertex, vertex.restPosition);
  }
}

HRESULT CVeyaCollisionLayer::UpdateBlend(IVeyaCollisionLayer* target, const D3DXVECTOR3* factor) {
  if (target == nullptr || factor == nullptr) return E_POINTER;
  if (target->GetVertexCount() != m_vertexCount) return E_FAIL;
  for (WORD i = 0; i < m_vertexCount; ++i) {
    CollisionVertex& vertex = m_vertices[i];
    const D3DXVECTOR3& r = vertex.restPosition;
    const D3DXVECTOR3& t = target->GetVertex(i)->restPosition;
    const D3DXVECTOR3 blended(r.x + (t.x - r.x) * factor->x, r.y + (t.y - r.y) * factor->y,
                              r.z + (t.z - r.z) * factor->z);
    PoseVertex(vertex, blended);
  }
  return S_OK;
}

WORD CVeyaCollisionLayer::HitTest(D3DXVECTOR3* hit, WORD* mesh, WORD* polygon,
                                  const D3DXVECTOR3* from, const D3DXVECTOR3* to, int rangeMode,
                                  int pickMode) {
  const tavorin::collision::CollisionGeometry geometry{m_vertices.get(), m_vertexCount,
                                                       m_meshes.get(), m_meshCount};
  return tavorin::collision::HitTestLine(geometry, hit, mesh, polygon, from, to, rangeMode,
                                         pickMode);
}

WORD CVeyaCollisionLayer::HitTestSphere(D3DXVECTOR3* nearest, float* distance, WORD* mesh,
                                        WORD* polygon, const D3DXVECTOR3* centre, float radius,
                                        BOOL firstHit) {
  const tavorin::collision::CollisionGeometry geometry{m_vertices.get(), m_vertexCount,
                                                       m_meshes.get(), m_meshCount};
  return tavorin::collision::HitTestSphere(geometry, nearest, distance, mesh, polygon, centre,
                                           radius, firstHit);
}

CollisionVertex* CVeyaCollisionLayer::GetVertex(WORD index) {
  return index < m_vertexCount ? &m_vertices[index] : nullptr;
}

CollisionMesh* CVeyaCollisionLayer::GetMesh(WORD index) {
  return index < m_meshCount ? &m_meshes[index] : nullptr;
}

WORD CVeyaCollisionLayer::GetPolygonCount() {
  WORD total = 0;
  for (WORD m = 0; m < m_meshCount; ++m) total = WORD(total + m_meshes[m].polygonCount);
  return total;
}

BOOL CVeyaCollisionLayer::GetPolygon(WORD mesh, WORD polygon, D3DXVECTOR3* a, D3DXVECTOR3* b,
                                     D3DXVECTOR3* c) {
  if (mesh >= m_meshCount || polygon >= m_meshes[mesh].polygonCount) return FALSE;
  if (a == nullptr || b == nullptr || c == nullptr) return FALSE;
  const WORD* corners = m_meshes[mesh].polygons[polygon].vertices;
  for (int i = 0; i < 3; ++i) {
    if (corners[i] >= m_vertexCount) return FALSE;
  }
  *a = m_vertices[corners[0]].position;
  *b = m_vertices[corners[1]].position;
  *c = m_vertices[corners[2]].position;
  return TRUE;
}

HRESULT CVeyaCollisionLayer::SetName(const char* name) {
  return tavorin::animation::CopyName(name, &m_name);
}

void CVeyaCollisionLayer::RemoveMesh(WORD index) {
  if (index >= m_meshCount) return;
  if (m_meshes[index].group != nullptr) m_meshes[index].group->Release();
  delete[] m_meshes[index].polygons;
  for (WORD m = index; m + 1 < m_meshCount; ++m) m_meshes[m] = m_meshes[m + 1];
  --m_meshCount;
  m_meshes[m_meshCount] = CollisionMesh{};
}

HRESULT CVeyaCollisionLayer::Serialize(IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  *size = tavorin::collision::WriteCollisionLayerPayload(*this, writer);
  return S_OK;
}

HRESULT CVeyaCollisionLayer::BindBones(IVeyaMotion** motions, WORD motionCount) {
  // Checked in full first, so a bad index binds nothing.
  for (WORD i = 0; i < m_vertexCount; ++i) {
    for (int k = 0; k < 4; ++k) {
      const WORD index = m_boneIndices[i].slots[k];
      if (m_vertices[i].bones[k] != nullptr || index == kNone) continue;
      if (motions == nullptr) return E_POINTER;
      if (index >= motionCount || motions[index] == nullptr) return E_FAIL;
    }
  }
  for (WORD i = 0; i < m_vertexCount; ++i) {
    for (int k = 0; k < 4; ++k) {
      const WORD index = m_boneIndices[i].slots[k];
      IVeyaMotion*& bone = m_vertices[i].bones[k];
      if (bone != nullptr || index == kNone) continue;
      bone = motions[index];
      bone->AddRef();
    }
  }
  return S_OK;
}
