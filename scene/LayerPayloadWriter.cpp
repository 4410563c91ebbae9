// Writing the "LYER" payload in the order readers of older files expect.
// One path writes and counts, so the size reported without a writer is the
// size written with one.
#include <cstring>
#include <initializer_list>

#include "animation/TrackIo.h"
#include "scene/LayerPayload.h"
#include "scene/LayerTags.h"

using namespace tavorin::animation;

namespace tavorin::scene {

namespace {

constexpr DWORD kPolygonSize = 6;
// "VTXN", "POLN" and "SFNO" with their headers, and the headers of "VTEX"
// and "POLY".
constexpr DWORD kMeshFixedSize = 46;

void WriteU16(RunWriter& out, DWORD tag, WORD value) {
  out.Header(tag, 2);
  out.U16(value);
}

void WriteU32(RunWriter& out, DWORD tag, DWORD value) {
  out.Header(tag, 4);
  out.U32(value);
}

void WriteVector(RunWriter& out, DWORD tag, const D3DXVECTOR3& v) {
  out.Header(tag, 12);
  out.F32(v.x);
  out.F32(v.y);
  out.F32(v.z);
}

void WriteText(RunWriter& out, DWORD tag, const char* text) {
  const DWORD length = DWORD(std::strlen(text)) + 1;
  out.Header(tag, length);
  out.Bytes(text, length);
}

template <class Track, class Serialize>
HRESULT WriteTrack(RunWriter& out, IFileWriter* writer, DWORD tag, const Track& track,
                   Serialize serialize) {
  DWORD size = 0;
  HRESULT hr = serialize(track, nullptr, &size);
  if (FAILED(hr)) return hr;
  out.Header(tag, size);
  if (writer == nullptr) {
    out.Account(size);
    return S_OK;
  }
  DWORD written = 0;
  hr = serialize(track, writer, &written);
  out.Account(written);
  return hr;
}

// The buffers must hold what the counts say, or writing would read past
// them, and the triangles must name the mesh's own vertices, or the payload
// written could not be read again.
HRESULT CheckMesh(const LayerMesh& mesh) {
  if (mesh.vertexCount > 0) {
    D3DVERTEXBUFFER_DESC desc{};
    if (mesh.vertexBuffer == nullptr || FAILED(mesh.vertexBuffer->GetDesc(&desc)) ||
        desc.Size < mesh.vertexCount * kLayerVertexSize) {
      return E_FAIL;
    }
  }
  if (mesh.polygonCount == 0) return S_OK;
  D3DINDEXBUFFER_DESC desc{};
  const UINT indexBytes = mesh.polygonCount * kPolygonSize;
  if (mesh.indexBuffer == nullptr || FAILED(mesh.indexBuffer->GetDesc(&desc)) ||
      desc.Format != D3DFMT_INDEX16 || desc.Size < indexBytes) {
    return E_FAIL;
  }
  void* data = nullptr;
  if (FAILED(mesh.indexBuffer->Lock(0, indexBytes, &data, D3DLOCK_READONLY))) return E_FAIL;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  UINT i = 0;
  while (i < indexBytes && LoadU16(bytes + i) < mesh.vertexCount) i += 2;
  mesh.indexBuffer->Unlock();
  return i == indexBytes ? S_OK : E_FAIL;
}

// Writes `size` bytes from the start of a buffer, or only counts them.
template <class Buffer>
HRESULT WriteBufferData(RunWriter& out, IFileWriter* writer, DWORD tag, Buffer* buffer,
                        DWORD size) {
  out.Header(tag, size);
  if (writer == nullptr || size == 0) {
    out.Account(size);
    return S_OK;
  }
  void* data = nullptr;
  const HRESULT hr = buffer->Lock(0, size, &data, D3DLOCK_READONLY);
  if (FAILED(hr)) return hr;
  out.Bytes(data, size);
  buffer->Unlock();
  return S_OK;
}

HRESULT WriteMesh(RunWriter& out, IFileWriter* writer, const LayerMesh& mesh) {
  const DWORD vertexBytes = mesh.vertexCount * kLayerVertexSize;
  const DWORD polygonBytes = mesh.polygonCount * kPolygonSize;
  out.Header(kTagMesh, kMeshFixedSize + vertexBytes + polygonBytes);
  WriteU16(out, kTagVertexCount, mesh.vertexCount);
  HRESULT hr = WriteBufferData(out, writer, kTagVertices, mesh.vertexBuffer, vertexBytes);
  if (FAILED(hr)) return hr;
  WriteU16(out, kTagPolygonCount, mesh.polygonCount);
  hr = WriteBufferData(out, writer, kTagPolygons, mesh.indexBuffer, polygonBytes);
  if (FAILED(hr)) return hr;
  WriteU16(out, kTagSurfaceIndex, mesh.surfaceIndex);
  return S_OK;
}

// A bone without a name is stored with an empty one, which every reader of
// the format reads safely.
void WriteBone(RunWriter& out, const LayerBone& bone) {
  const char* name = bone.name != nullptr ? bone.name : "";
  out.Header(kTagBone, 71 + DWORD(std::strlen(name)));
  WriteText(out, kTagName, name);
  WriteVector(out, kTagRestPosition, bone.restPosition);
  WriteVector(out, kTagRestDirection, bone.restDirection);
  out.Header(kTagRestLength, 4);
  out.F32(bone.restLength);
  WriteU16(out, kTagMotionIndex, bone.motionIndex);
}

void WriteLink(RunWriter& out, const MotionLink& link) {
  out.Header(kTagMotionIndex, 20);
  WriteU16(out, kTagMotionIndex, WORD(link.motionIndex));
  WriteU16(out, kTagLinkRegister, WORD(link.matrixRegister));
}

void WriteHead(RunWriter& out, const LayerState& s) {
  if (s.name) WriteText(out, kTagName, s.name.get());
  WriteU16(out, kTagIndex, WORD(s.index));
  out.Header(kTagBoundingBox, 24);
  for (const D3DXVECTOR3* v : {&s.boxMin, &s.boxMax}) {
    out.F32(v->x);
    out.F32(v->y);
    out.F32(v->z);
  }
  WriteU32(out, kTagShow, s.show);
}

HRESULT WriteMeshes(RunWriter& out, IFileWriter* writer, const MeshTable& meshes) {
  if (meshes.Count() == 0) return S_OK;
  WriteU16(out, kTagMeshCount, meshes.Count());
  for (WORD i = 0; i < meshes.Count(); ++i) {
    const HRESULT hr = WriteMesh(out, writer, *meshes.At(i));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void WriteSkeleton(RunWriter& out, const LayerState& s) {
  if (s.bones.Count() > 0) {
    WriteU16(out, kTagBoneCount, s.bones.Count());
    for (WORD i = 0; i < s.bones.Count(); ++i) WriteBone(out, *s.bones.At(i));
  }
  WriteU16(out, kTagMainMotion, WORD(s.mainLink.motionIndex));
  WriteU16(out, kTagMainRegister, WORD(s.mainLink.matrixRegister));
  if (s.links.Count() > 0) {
    WriteU16(out, kTagLinkCount, s.links.Count());
    for (WORD i = 0; i < s.links.Count(); ++i) WriteLink(out, *s.links.At(i));
  }
}

}  // namespace

HRESULT SerializeLayerPayload(const LayerState& s, IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  *size = 0;
  if (writer != nullptr) {
    for (WORD i = 0; i < s.meshes.Count(); ++i) {
      if (FAILED(CheckMesh(*s.meshes.At(i)))) return E_FAIL;
    }
  }
  RunWriter out(writer);
  WriteHead(out, s);
  HRESULT hr = WriteTrack(out, writer, kTagVisibility, s.visibility, SerializeStepTrack);
  if (SUCCEEDED(hr)) {
    WriteU32(out, kTagDepthPrepass, s.depthPrepass);
    hr = WriteMeshes(out, writer, s.meshes);
  }
  if (SUCCEEDED(hr)) {
    WriteSkeleton(out, s);
    WriteU32(out, kTagMorphEnabled, s.morphEnabled);
    hr = WriteTrack(out, writer, kTagMorphTarget, s.morphTarget, SerializeIndexTrack);
  }
  if (SUCCEEDED(hr))
    hr = WriteTrack(out, writer, kTagMorphWeight, s.morphWeight, SerializeScalarTrack);
  *size = out.Written();
  return hr;
}

}  // namespace tavorin::scene
