#include "collision/CollisionLayerPayload.h"

#include <new>

#include "animation/ChunkName.h"

namespace tavorin::collision {
namespace {

using animation::LoadF32;
using animation::LoadU16;
using animation::MakeTag;
using animation::ReadChunkName;
using animation::RunReader;
using animation::RunWriter;
using animation::WriteChunkName;

constexpr DWORD kTagEnable = MakeTag('E', 'N', 'B', 'L');
constexpr DWORD kTagName = MakeTag('N', 'A', 'M', 'E');
constexpr DWORD kTagVertexCount = MakeTag('V', 'T', 'X', 'N');
constexpr DWORD kTagVertices = MakeTag('V', 'T', 'E', 'X');
constexpr DWORD kTagMeshCount = MakeTag('M', 'E', 'S', 'N');
constexpr DWORD kTagMesh = MakeTag('M', 'E', 'S', 'H');
constexpr DWORD kTagPolygonCount = MakeTag('P', 'O', 'L', 'N');
constexpr DWORD kTagPolygons = MakeTag('P', 'O', 'L', 'Y');
constexpr DWORD kTagGroup = MakeTag('G', 'R', 'P', 'N');

constexpr DWORD kVertexSize = 36;
constexpr DWORD kPolygonSize = 6;
constexpr WORD kNone = 0xFFFF;

// Reads a fixed-width field: a sub-chunk shorter than the field fails, and
// bytes beyond it are skipped so the framing still holds.
template <class Read>
HRESULT ReadField(RunReader& in, DWORD size, DWORD width, Read read) {
  HRESULT hr = in.CheckPayload(size, width);
  if (FAILED(hr)) return hr;
  in.Announce(size);
  if (FAILED(hr = read())) return hr;
  return in.SkipRest(size, width);
}

HRESULT ReadCount(RunReader& in, DWORD size, WORD* count) {
  return ReadField(in, size, 2, [&] { return in.ReadU16(count); });
}

// Reads the sub-chunks of one "MESH" into its record.
class MeshReader {
 public:
  MeshReader(RunReader& in, CollisionMesh& mesh, IVeyaCollisionGroup** groups, WORD groupCount)
      : m_in(in), m_mesh(mesh), m_groups(groups), m_groupCount(groupCount) {}

  HRESULT Read() {
    while (!m_in.AtEnd()) {
      DWORD tag, size;
      HRESULT hr = m_in.ReadHeader(&tag, &size);
      if (SUCCEEDED(hr)) hr = ReadChunk(tag, size);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  }

 private:
  HRESULT ReadChunk(DWORD tag, DWORD size) {
    switch (tag) {
      case kTagPolygonCount:
        return ReadPolygonCount(size);
      case kTagPolygons:
        return ReadPolygons(size);
      case kTagGroup:
        return ReadGroup(size);
      default:
        return m_in.Skip(size);
    }
  }

  HRESULT ReadPolygonCount(DWORD size) {
    WORD count = 0;
    HRESULT hr = ReadCount(m_in, size, &count);
    if (FAILED(hr)) return hr;
    if (DWORD(count) * kPolygonSize > m_in.Remaining()) return E_FAIL;
    CollisionPolygon* polygons = nullptr;
    if (count > 0) {
      polygons = new (std::nothrow) CollisionPolygon[count]();
      if (polygons == nullptr) return E_OUTOFMEMORY;
    }
    delete[] m_mesh.polygons;
    m_mesh.polygons = polygons;
    m_mesh.polygonCount = count;
    return S_OK;
  }

  // Read by the count; the indices are checked against the vertices once the
  // whole payload is read, as the vertices may come later.
  HRESULT ReadPolygons(DWORD size) {
    const DWORD needed = DWORD(m_mesh.polygonCount) * kPolygonSize;
    HRESULT hr = m_in.CheckPayload(size, needed);
    if (FAILED(hr)) return hr;
    m_in.Announce(size);
    for (WORD i = 0; i < m_mesh.polygonCount; ++i) {
      BYTE bytes[kPolygonSize];
      if (FAILED(hr = m_in.ReadBytes(bytes, kPolygonSize))) return hr;
      for (int k = 0; k < 3; ++k) m_mesh.polygons[i].vertices[k] = LoadU16(bytes + 2 * k);
    }
    return m_in.SkipRest(size, needed);
  }

  HRESULT ReadGroup(DWORD size) {
    WORD index = 0;
    HRESULT hr = ReadCount(m_in, size, &index);
    if (FAILED(hr)) return hr;
    IVeyaCollisionGroup* group = nullptr;
    if (index != kNone) {
      if (m_groups == nullptr || index >= m_groupCount || m_groups[index] == nullptr) return E_FAIL;
      hr = m_groups[index]->QueryInterface(IID_IVeyaCollisionGroup,
                                           reinterpret_cast<void**>(&group));
      if (FAILED(hr)) return E_FAIL;
    }
    if (m_mesh.group != nullptr) m_mesh.group->Release();
    m_mesh.group = group;
    return S_OK;
  }

  RunReader& m_in;
  CollisionMesh& m_mesh;
  IVeyaCollisionGroup** m_groups;
  WORD m_groupCount;
};

// Reads the sub-chunks of the payload in any order; which mesh the next
// "MESH" fills is the only state carried between them.
class LayerReader {
 public:
  LayerReader(RunReader& in, CVeyaCollisionLayer& layer, IVeyaCollisionGroup** groups,
              WORD groupCount)
      : m_in(in), m_layer(layer), m_groups(groups), m_groupCount(groupCount) {}

  HRESULT Read() {
    while (!m_in.AtEnd()) {
      DWORD tag, size;
      HRESULT hr = m_in.ReadHeader(&tag, &size);
      if (SUCCEEDED(hr)) hr = ReadChunk(tag, size);
      if (FAILED(hr)) return hr;
    }
    return CheckPolygons();
  }

 private:
  HRESULT ReadChunk(DWORD tag, DWORD size) {
    switch (tag) {
      case kTagEnable: {
        DWORD enable = 0;
        HRESULT hr = ReadField(m_in, size, 4, [&] { return m_in.ReadU32(&enable); });
        if (SUCCEEDED(hr)) m_layer.SetEnable(enable);
        return hr;
      }
      case kTagName: {
        std::unique_ptr<char[]> name;
        HRESULT hr = ReadChunkName(m_in, size, &name);
        return SUCCEEDED(hr) ? m_layer.SetName(name.get()) : hr;
      }
      case kTagVertexCount:
        return ReadVertexCount(size);
      case kTagVertices:
        return ReadVertices(size);
      case kTagMeshCount:
        return ReadMeshCount(size);
      case kTagMesh:
        return ReadMesh(size);
      default:
        return m_in.Skip(size);
    }
  }

  HRESULT ReadVertexCount(DWORD size) {
    WORD count = 0;
    HRESULT hr = ReadCount(m_in, size, &count);
    if (FAILED(hr)) return hr;
    if (DWORD(count) * kVertexSize > m_in.Remaining()) return E_FAIL;
    return m_layer.AllocateVertices(count);
  }

  HRESULT ReadVertices(DWORD size) {
    const WORD count = m_layer.GetVertexCount();
    const DWORD needed = DWORD(count) * kVertexSize;
    HRESULT hr = m_in.CheckPayload(size, needed);
    if (FAILED(hr)) return hr;
    m_in.Announce(size);
    for (WORD i = 0; i < count; ++i) {
      BYTE bytes[kVertexSize];
      if (FAILED(hr = m_in.ReadBytes(bytes, kVertexSize))) return hr;
      ReadVertex(bytes, *m_layer.GetVertex(i), m_layer.BoneIndices(i));
    }
    return m_in.SkipRest(size, needed);
  }

  void ReadVertex(const BYTE* bytes, CollisionVertex& vertex, CollisionBoneIndices& indices) {
    vertex.restPosition = D3DXVECTOR3(LoadF32(bytes), LoadF32(bytes + 4), LoadF32(bytes + 8));
    vertex.position = vertex.restPosition;
    for (int k = 0; k < 4; ++k) {
      indices.slots[k] = LoadU16(bytes + 12 + 2 * k);
      vertex.weights[k] = LoadF32(bytes + 20 + 4 * k);
      if (vertex.bones[k] != nullptr) vertex.bones[k]->Release();
      vertex.bones[k] = TableMotion(indices.slots[k]);
    }
  }

  // The group-table entry at `index` as a motion, or null when it offers
  // none; BindBones binds the slot later from the motion table.
  IVeyaMotion* TableMotion(WORD index) const {
    if (index == kNone || m_groups == nullptr || index >= m_groupCount) return nullptr;
    if (m_groups[index] == nullptr) return nullptr;
    IVeyaMotion* motion = nullptr;
    m_groups[index]->QueryInterface(IID_IVeyaMotion, reinterpret_cast<void**>(&motion));
    return motion;
  }

  HRESULT ReadMeshCount(DWORD size) {
    WORD count = 0;
    HRESULT hr = ReadCount(m_in, size, &count);
    if (FAILED(hr)) return hr;
    // Every mesh takes at least its sub-chunk header.
    if (DWORD(count) * animation::kChunkHeaderSize > m_in.Remaining()) return E_FAIL;
    m_nextMesh = 0;
    return m_layer.AllocateMeshes(count);
  }

  HRESULT ReadMesh(DWORD size) {
    if (m_nextMesh >= m_layer.GetMeshCount() || size > m_in.Remaining()) return E_FAIL;
    RunReader mesh(m_in.Reader(), size);
    const HRESULT hr =
        MeshReader(mesh, *m_layer.GetMesh(m_nextMesh), m_groups, m_groupCount).Read();
    m_in.Account(mesh.Consumed());
    ++m_nextMesh;
    return hr;
  }

  // A triangle naming a missing vertex could only be refused later, by every
  // query; refuse the payload instead.
  HRESULT CheckPolygons() {
    const WORD vertexCount = m_layer.GetVertexCount();
    for (WORD m = 0; m < m_layer.GetMeshCount(); ++m) {
      const CollisionMesh& mesh = *m_layer.GetMesh(m);
      for (WORD i = 0; i < mesh.polygonCount; ++i) {
        for (WORD v : mesh.polygons[i].vertices) {
          if (v >= vertexCount) return E_FAIL;
        }
      }
    }
    return S_OK;
  }

  RunReader& m_in;
  CVeyaCollisionLayer& m_layer;
  IVeyaCollisionGroup** m_groups;
  WORD m_groupCount;
  WORD m_nextMesh = 0;
};

void WriteVertex(RunWriter& out, CollisionVertex& vertex, const CollisionBoneIndices& indices) {
  BYTE bytes[kVertexSize];
  const float* rest = &vertex.restPosition.x;
  for (int i = 0; i < 3; ++i) animation::StoreF32(bytes + 4 * i, rest[i]);
  for (int k = 0; k < 4; ++k) {
    IVeyaMotion* bone = vertex.bones[k];
    animation::StoreU16(bytes + 12 + 2 * k, bone != nullptr ? bone->GetIndex() : indices.slots[k]);
    animation::StoreF32(bytes + 20 + 4 * k, vertex.weights[k]);
  }
  out.Bytes(bytes, kVertexSize);
}

void WriteMesh(RunWriter& out, const CollisionMesh& mesh) {
  const DWORD polygonBytes = DWORD(mesh.polygonCount) * kPolygonSize;
  out.Header(kTagMesh, 28 + polygonBytes);
  out.Header(kTagPolygonCount, 2);
  out.U16(mesh.polygonCount);
  out.Header(kTagPolygons, polygonBytes);
  for (WORD i = 0; i < mesh.polygonCount; ++i) {
    for (WORD v : mesh.polygons[i].vertices) out.U16(v);
  }
  out.Header(kTagGroup, 2);
  out.U16(mesh.group != nullptr ? mesh.group->GetIndex() : kNone);
}

}  // namespace

HRESULT ReadCollisionLayerPayload(RunReader& in, CVeyaCollisionLayer& layer,
                                  IVeyaCollisionGroup** groups, WORD groupCount) {
  return LayerReader(in, layer, groups, groupCount).Read();
}

DWORD WriteCollisionLayerPayload(CVeyaCollisionLayer& layer, IFileWriter* writer) {
  RunWriter out(writer);
  out.Header(kTagEnable, 4);
  out.U32(layer.GetEnable());
  WriteChunkName(out, kTagName, layer.GetName());
  const WORD vertexCount = layer.GetVertexCount();
  if (vertexCount > 0) {
    out.Header(kTagVertexCount, 2);
    out.U16(vertexCount);
    out.Header(kTagVertices, DWORD(vertexCount) * kVertexSize);
    for (WORD i = 0; i < vertexCount; ++i) {
      WriteVertex(out, *layer.GetVertex(i), layer.BoneIndices(i));
    }
  }
  const WORD meshCount = layer.GetMeshCount();
  if (meshCount > 0) {
    out.Header(kTagMeshCount, 2);
    out.U16(meshCount);
    for (WORD m = 0; m < meshCount; ++m) WriteMesh(out, *layer.GetMesh(m));
  }
  return out.Written();
}

}  // namespace tavorin::collision
