// Reading the "LYER" payload: one case per sub-chunk, every count and size
// checked against what remains of its run before anything is allocated.
#include <string>

#include "animation/ChunkName.h"
#include "animation/HeldTrack.h"
#include "animation/TrackIo.h"
#include "scene/LayerPayload.h"
#include "scene/LayerTags.h"

using namespace tavorin::animation;

namespace tavorin::scene {

namespace {

// The smallest a table entry can be in the run: a bare sub-chunk header.
constexpr DWORD kMinEntrySize = kChunkHeaderSize;
constexpr DWORD kPolygonSize = 6;

HRESULT ReadFloats(RunReader& in, DWORD size, float* values, DWORD count) {
  return ReadField(in, size, 4 * count, [&] {
    HRESULT hr = S_OK;
    for (DWORD i = 0; i < count && SUCCEEDED(hr); ++i) hr = in.ReadF32(&values[i]);
    return hr;
  });
}

HRESULT ReadU16(RunReader& in, DWORD size, WORD* value) {
  return ReadField(in, size, 2, [&] { return in.ReadU16(value); });
}

HRESULT ReadI16(RunReader& in, DWORD size, SHORT* value) {
  WORD bits = 0;
  const HRESULT hr = ReadU16(in, size, &bits);
  if (SUCCEEDED(hr)) *value = SHORT(bits);
  return hr;
}

HRESULT ReadU32(RunReader& in, DWORD size, DWORD* value) {
  return ReadField(in, size, 4, [&] { return in.ReadU32(value); });
}

// Runs `read(RunReader&)` over a nested run of `size` bytes and passes its
// consumption on to `in`.
template <class Read>
HRESULT ReadNested(RunReader& in, DWORD size, Read read) {
  if (size > in.Remaining()) return E_FAIL;
  RunReader nested(in.Reader(), size);
  const HRESULT hr = read(nested);
  in.Account(nested.Consumed());
  return hr;
}

// Reads a track run of `size` bytes with `read(reader, track, size, &used)`.
template <class Track, class Read>
HRESULT ReadTrack(RunReader& in, DWORD size, Track& track, Read read) {
  if (size > in.Remaining()) return E_FAIL;
  DWORD used = 0;
  const HRESULT hr = read(in.Reader(), track, size, &used);
  in.Account(used);
  if (FAILED(hr)) return hr;
  return used == size ? S_OK : E_FAIL;
}

// Reads one "MESH" into an entry the table owns, so buffers made before a
// failure are released with the table.
class MeshReader {
 public:
  MeshReader(RunReader& in, IDirect3DDevice9* device, LayerMesh& mesh)
      : m_in(in), m_device(device), m_mesh(mesh) {}

  HRESULT Read() {
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && !m_in.AtEnd()) {
      DWORD tag = 0, size = 0;
      if (FAILED(hr = m_in.ReadHeader(&tag, &size))) break;
      hr = ReadSubChunk(tag, size);
    }
    if (FAILED(hr)) return hr;
    // Every triangle must name vertices of this mesh: drawing and the
    // collision builder index the vertex buffer with them.
    if (m_mesh.polygonCount > 0 && m_maxIndex >= m_mesh.vertexCount) return E_FAIL;
    return S_OK;
  }

 private:
  HRESULT ReadSubChunk(DWORD tag, DWORD size) {
    switch (tag) {
      case kTagVertexCount:
        return ReadVertexCount(size);
      case kTagVertices:
        return ReadVertices(size);
      case kTagPolygonCount:
        return ReadPolygonCount(size);
      case kTagPolygons:
        return ReadPolygons(size);
      case kTagSurfaceIndex:
        return ReadU16(m_in, size, &m_mesh.surfaceIndex);
      default:
        return m_in.Skip(size);
    }
  }

  // A count must leave room for the data sub-chunk it announces. A mesh
  // without vertices gets no buffer: Direct3D makes none of length 0.
  HRESULT ReadVertexCount(DWORD size) {
    WORD count = 0;
    if (m_hasVertexCount) return E_FAIL;
    HRESULT hr = ReadU16(m_in, size, &count);
    if (FAILED(hr)) return hr;
    m_hasVertexCount = true;
    if (count == 0) return S_OK;
    if (kChunkHeaderSize + DWORD(count) * kLayerVertexSize > m_in.Remaining()) return E_FAIL;
    hr = m_device->CreateVertexBuffer(count * kLayerVertexSize, D3DUSAGE_WRITEONLY, 0,
                                      D3DPOOL_MANAGED, &m_mesh.vertexBuffer, nullptr);
    if (SUCCEEDED(hr)) m_mesh.vertexCount = count;
    return hr;
  }

  HRESULT ReadPolygonCount(DWORD size) {
    WORD count = 0;
    if (m_hasPolygonCount) return E_FAIL;
    HRESULT hr = ReadU16(m_in, size, &count);
    if (FAILED(hr)) return hr;
    m_hasPolygonCount = true;
    if (count == 0) return S_OK;
    if (kChunkHeaderSize + DWORD(count) * kPolygonSize > m_in.Remaining()) return E_FAIL;
    hr = m_device->CreateIndexBuffer(count * kPolygonSize, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                     D3DPOOL_MANAGED, &m_mesh.indexBuffer, nullptr);
    if (SUCCEEDED(hr)) m_mesh.polygonCount = count;
    return hr;
  }

  HRESULT ReadVertices(DWORD size) {
    if (!m_hasVertexCount || size != DWORD(m_mesh.vertexCount) * kLayerVertexSize) return E_FAIL;
    if (size == 0) return S_OK;
    void* data = nullptr;
    HRESULT hr = m_mesh.vertexBuffer->Lock(0, 0, &data, 0);
    if (FAILED(hr)) return hr;
    m_in.Announce(size);
    hr = m_in.ReadBytes(data, size);
    m_mesh.vertexBuffer->Unlock();
    return hr;
  }

  HRESULT ReadPolygons(DWORD size) {
    if (!m_hasPolygonCount || size != DWORD(m_mesh.polygonCount) * kPolygonSize) return E_FAIL;
    if (size == 0) return S_OK;
    void* data = nullptr;
    HRESULT hr = m_mesh.indexBuffer->Lock(0, 0, &data, 0);
    if (FAILED(hr)) return hr;
    m_in.Announce(size);
    hr = m_in.ReadBytes(data, size);
    if (SUCCEEDED(hr)) {
      const BYTE* bytes = static_cast<const BYTE*>(data);
      for (DWORD i = 0; i < size; i += 2) {
        const WORD index = LoadU16(bytes + i);
        if (index > m_maxIndex) m_maxIndex = index;
      }
    }
    m_mesh.indexBuffer->Unlock();
    return hr;
  }

  RunReader& m_in;
  IDirect3DDevice9* m_device;
  LayerMesh& m_mesh;
  bool m_hasVertexCount = false;
  bool m_hasPolygonCount = false;
  WORD m_maxIndex = 0;
};

HRESULT ReadBone(RunReader& in, LayerBone& bone) {
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr) && !in.AtEnd()) {
    DWORD tag = 0, size = 0;
    if (FAILED(hr = in.ReadHeader(&tag, &size))) break;
    switch (tag) {
      case kTagName: {
        std::unique_ptr<char[]> name;
        if (SUCCEEDED(hr = ReadChunkName(in, size, &name))) {
          delete[] bone.name;
          bone.name = name.release();
        }
        break;
      }
      case kTagRestPosition:
        hr = ReadFloats(in, size, &bone.restPosition.x, 3);
        break;
      case kTagRestDirection:
        hr = ReadFloats(in, size, &bone.restDirection.x, 3);
        break;
      case kTagRestLength:
        hr = ReadFloats(in, size, &bone.restLength, 1);
        break;
      case kTagMotionIndex:
        hr = ReadU16(in, size, &bone.motionIndex);
        break;
      default:
        hr = in.Skip(size);
        break;
    }
  }
  return hr;
}

HRESULT ReadLink(RunReader& in, MotionLink& link) {
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr) && !in.AtEnd()) {
    DWORD tag = 0, size = 0;
    if (FAILED(hr = in.ReadHeader(&tag, &size))) break;
    switch (tag) {
      case kTagMotionIndex:
        hr = ReadI16(in, size, &link.motionIndex);
        break;
      case kTagLinkRegister:
        hr = ReadI16(in, size, &link.matrixRegister);
        break;
      default:
        hr = in.Skip(size);
        break;
    }
  }
  return hr;
}

// Where the next entry of one table goes. A count sub-chunk comes once,
// before its entries, and no more entries than it counts may follow.
struct TableCursor {
  bool counted = false;
  WORD next = 0;
};

class PayloadReader {
 public:
  PayloadReader(RunReader& in, IDirect3DDevice9* device, LayerState& state)
      : m_in(in), m_device(device), m_state(state) {}

  HRESULT Read() {
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && !m_in.AtEnd()) {
      DWORD tag = 0, size = 0;
      if (FAILED(hr = m_in.ReadHeader(&tag, &size))) break;
      hr = ReadSubChunk(tag, size);
    }
    return hr;
  }

 private:
  HRESULT ReadSubChunk(DWORD tag, DWORD size) {
    LayerState& s = m_state;
    switch (tag) {
      case kTagName:
        return ReadChunkName(m_in, size, &s.name);
      case kTagIndex:
        return ReadI16(m_in, size, &s.index);
      case kTagBoundingBox: {
        float box[6];
        const HRESULT hr = ReadFloats(m_in, size, box, 6);
        if (SUCCEEDED(hr)) {
          s.boxMin = D3DXVECTOR3(box[0], box[1], box[2]);
          s.boxMax = D3DXVECTOR3(box[3], box[4], box[5]);
        }
        return hr;
      }
      case kTagShow:
        return ReadU32(m_in, size, &s.show);
      case kTagVisibility:
        return ReadTrack(m_in, size, s.visibility, ReadLayerStepTrack);
      case kTagDepthPrepass:
        return ReadU32(m_in, size, &s.depthPrepass);
      case kTagMeshCount:
        return ReadCount(size, m_meshes, s.meshes);
      case kTagMesh:
        return ReadEntry(size, m_meshes, s.meshes, [&](RunReader& in, LayerMesh& mesh) {
          return MeshReader(in, m_device, mesh).Read();
        });
      case kTagBoneCount:
        return ReadCount(size, m_bones, s.bones);
      case kTagBone:
        return ReadEntry(size, m_bones, s.bones, ReadBone);
      case kTagMainMotion:
        return ReadI16(m_in, size, &s.mainLink.motionIndex);
      case kTagMainRegister:
        return ReadI16(m_in, size, &s.mainLink.matrixRegister);
      case kTagLinkCount:
        return ReadCount(size, m_links, s.links);
      case kTagMotionIndex:
        return ReadEntry(size, m_links, s.links, ReadLink);
      case kTagMorphEnabled:
        return ReadU32(m_in, size, &s.morphEnabled);
      case kTagMorphTarget:
        return ReadTrack(m_in, size, s.morphTarget, ReadIndexTrack);
      case kTagMorphWeight:
        return ReadTrack(m_in, size, s.morphWeight, ReadScalarTrack);
      default:
        return m_in.Skip(size);
    }
  }

  // Each entry takes at least a sub-chunk header, so a count the rest of the
  // run cannot hold is refused before the table is allocated.
  template <class Table>
  HRESULT ReadCount(DWORD size, TableCursor& cursor, Table& table) {
    WORD count = 0;
    if (cursor.counted) return E_FAIL;
    HRESULT hr = ReadU16(m_in, size, &count);
    if (FAILED(hr)) return hr;
    if (DWORD(count) * kMinEntrySize > m_in.Remaining()) return E_FAIL;
    cursor.counted = true;
    cursor.next = 0;
    return table.Reset(count);
  }

  template <class Table, class Read>
  HRESULT ReadEntry(DWORD size, TableCursor& cursor, Table& table, Read read) {
    if (!cursor.counted || cursor.next >= table.Count()) return E_FAIL;
    auto* entry = table.At(cursor.next++);
    return ReadNested(m_in, size, [&](RunReader& in) { return read(in, *entry); });
  }

  RunReader& m_in;
  IDirect3DDevice9* m_device;
  LayerState& m_state;
  TableCursor m_meshes;
  TableCursor m_bones;
  TableCursor m_links;
};

}  // namespace

HRESULT ReadLayerPayload(IFileReader* reader, DWORD length, IDirect3DDevice9* device,
                         LayerState& state, DWORD* consumed) {
  RunReader in(reader, length);
  const HRESULT hr = PayloadReader(in, device, state).Read();
  *consumed = in.Consumed();
  return hr;
}

}  // namespace tavorin::scene
