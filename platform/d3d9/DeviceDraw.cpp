// Direct3D 9 draw calls on the CPU: validation, vertex fetching and
// primitive assembly.
#include <algorithm>
#include <cstring>

#include "platform/d3d9/Buffer.h"
#include "platform/d3d9/Device.h"

namespace tavorin::d3d9 {

namespace {

constexpr UINT kMaxPrimitiveCount = 0xFFFFF;

// How many vertices a primitive list of `count` primitives uses; 0 for an
// unknown type.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
    case D3DPT_POINTLIST:
      return count;
    case D3DPT_LINELIST:
      return count * 2;
    case D3DPT_LINESTRIP:
      return count + 1;
    case D3DPT_TRIANGLELIST:
      return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return count + 2;
    default:
      return 0;
  }
}

UINT IndexAt(const void* indices, bool indices32, UINT position) {
  if (indices32) {
    uint32_t value;
    std::memcpy(&value, static_cast<const BYTE*>(indices) + position * 4, 4);
    return value;
  }
  uint16_t value;
  std::memcpy(&value, static_cast<const BYTE*>(indices) + position * 2, 2);
  return value;
}

}  // namespace

StreamView CDevice::BoundStream(DWORD stream) const {
  StreamView view;
  const StreamBinding& binding = m_state.streams[stream];
  if (binding.impl == nullptr) return view;
  const BufferStorage& storage = binding.impl->Storage();
  if (binding.offset > storage.Size()) return view;
  view.data = storage.Data() + binding.offset;
  view.size = storage.Size() - binding.offset;
  view.stride = binding.stride;
  return view;
}

HRESULT CDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                               UINT primitiveCount) {
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  for (DWORD s = 0; s < kStreamCount; ++s) request.streams[s] = BoundStream(s);
  request.firstVertex = startVertex;
  return Draw(request);
}

HRESULT CDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                                      UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                      UINT primitiveCount) {
  if (m_state.indicesImpl == nullptr) return D3DERR_INVALIDCALL;
  const BufferStorage& storage = m_state.indicesImpl->Storage();
  bool wide = m_state.indicesImpl->Format() == D3DFMT_INDEX32;
  UINT indexSize = wide ? 4 : 2;
  UINT count = VertexCountOf(primitiveType, std::min(primitiveCount, kMaxPrimitiveCount));
  if (uint64_t{startIndex} + count > storage.Size() / indexSize) return D3DERR_INVALIDCALL;
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  for (DWORD s = 0; s < kStreamCount; ++s) request.streams[s] = BoundStream(s);
  request.indices = storage.Data() + static_cast<size_t>(startIndex) * indexSize;
  request.indices32 = wide;
  request.baseVertex = baseVertexIndex;
  request.minVertex = minVertexIndex;
  request.vertexCount = numVertices;
  return Draw(request);
}

HRESULT CDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                 const void* vertexStreamZeroData, UINT vertexStreamZeroStride) {
  if (vertexStreamZeroData == nullptr || vertexStreamZeroStride == 0) return D3DERR_INVALIDCALL;
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  for (DWORD s = 1; s < kStreamCount; ++s) request.streams[s] = BoundStream(s);
  UINT count = VertexCountOf(primitiveType, std::min(primitiveCount, kMaxPrimitiveCount));
  request.streams[0].data = static_cast<const BYTE*>(vertexStreamZeroData);
  request.streams[0].size = uint64_t{count} * vertexStreamZeroStride;
  request.streams[0].stride = vertexStreamZeroStride;
  HRESULT hr = Draw(request);
  // As on Windows, drawing from caller memory leaves stream 0 unbound.
  SetStreamSource(0, nullptr, 0, 0);
  return hr;
}

HRESULT CDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                        UINT numVertices, UINT primitiveCount,
                                        const void* indexData, D3DFORMAT indexDataFormat,
                                        const void* vertexStreamZeroData,
                                        UINT vertexStreamZeroStride) {
  if (indexData == nullptr || vertexStreamZeroData == nullptr || vertexStreamZeroStride == 0 ||
      (indexDataFormat != D3DFMT_INDEX16 && indexDataFormat != D3DFMT_INDEX32)) {
    return D3DERR_INVALIDCALL;
  }
  DrawRequest request;
  request.type = primitiveType;
  request.primitiveCount = primitiveCount;
  for (DWORD s = 1; s < kStreamCount; ++s) request.streams[s] = BoundStream(s);
  request.streams[0].data = static_cast<const BYTE*>(vertexStreamZeroData);
  request.streams[0].size = (uint64_t{minVertexIndex} + numVertices) * vertexStreamZeroStride;
  request.streams[0].stride = vertexStreamZeroStride;
  request.indices = indexData;
  request.indices32 = indexDataFormat == D3DFMT_INDEX32;
  request.minVertex = minVertexIndex;
  request.vertexCount = numVertices;
  HRESULT hr = Draw(request);
  SetStreamSource(0, nullptr, 0, 0);
  SetIndices(nullptr);
  return hr;
}

HRESULT CDevice::Draw(const DrawRequest& request) {
  if (!m_inScene) return D3DERR_INVALIDCALL;
  if (request.primitiveCount == 0 || request.primitiveCount > kMaxPrimitiveCount) {
    return D3DERR_INVALIDCALL;
  }
  UINT listLength = VertexCountOf(request.type, request.primitiveCount);
  if (listLength == 0) return D3DERR_INVALIDCALL;
  bool shader = m_state.vertexShaderImpl != nullptr;
  FvfLayout layout = DecodeFvf(m_state.fvf);
  if (!shader && !layout.valid) return D3DERR_INVALIDCALL;
  if (!shader && (request.streams[0].data == nullptr || request.streams[0].stride < layout.size)) {
    return D3DERR_INVALIDCALL;
  }

  // The range of vertices the draw reads, checked against every stream.
  int64_t first, count;
  if (request.indices == nullptr) {
    first = request.firstVertex;
    count = listLength;
  } else {
    first = int64_t{request.baseVertex} + request.minVertex;
    count = request.vertexCount;
    if (count == 0 || first < 0) return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < listLength; ++i) {
      UINT index = IndexAt(request.indices, request.indices32, i);
      if (index < request.minVertex || index - request.minVertex >= request.vertexCount) {
        return D3DERR_INVALIDCALL;
      }
    }
  }
  VertexProcessor processor(m_state, layout, request.streams);
  for (DWORD s = 0; s < kStreamCount; ++s) {
    UINT needed = processor.BytesNeeded(s);
    if (needed == 0) continue;
    const StreamView& view = request.streams[s];
    if (view.data == nullptr) return D3DERR_INVALIDCALL;
    uint64_t end = uint64_t(first + count - 1) * view.stride + needed;
    if (end > view.size) return D3DERR_INVALIDCALL;
  }
  if (!shader && request.indices == nullptr && TryDrawScreenQuad(request, layout)) return D3D_OK;

  m_vertices.resize(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    processor.Process(static_cast<UINT>(first + i), &m_vertices[static_cast<size_t>(i)]);
  }
  PixelPipeline pipeline(m_state, *m_backBuffer, m_depth.get());
  AssemblePrimitives(pipeline, request, processor.Pretransformed());
  return D3D_OK;
}

void CDevice::AssemblePrimitives(PixelPipeline& pipeline, const DrawRequest& request,
                                 bool pretransformed) {
  // Position i of the primitive list → slot in m_vertices.
  auto vertex = [&](UINT position) -> const ClipVertex& {
    if (request.indices == nullptr) return m_vertices[position];
    return m_vertices[IndexAt(request.indices, request.indices32, position) - request.minVertex];
  };
  const UINT n = request.primitiveCount;
  switch (request.type) {
    case D3DPT_POINTLIST:
      for (UINT i = 0; i < n; ++i) DrawClippedPoint(pipeline, m_state, vertex(i), pretransformed);
      break;
    case D3DPT_LINELIST:
      for (UINT i = 0; i < n; ++i) {
        DrawClippedLine(pipeline, m_state, vertex(2 * i), vertex(2 * i + 1), pretransformed);
      }
      break;
    case D3DPT_LINESTRIP:
      for (UINT i = 0; i < n; ++i) {
        DrawClippedLine(pipeline, m_state, vertex(i), vertex(i + 1), pretransformed);
      }
      break;
    case D3DPT_TRIANGLELIST:
      for (UINT i = 0; i < n; ++i) {
        DrawClippedTriangle(pipeline, m_state, vertex(3 * i), vertex(3 * i + 1), vertex(3 * i + 2),
                            pretransformed);
      }
      break;
    case D3DPT_TRIANGLESTRIP:
      // Every other triangle of a strip is reversed to keep one winding.
      for (UINT i = 0; i < n; ++i) {
        if (i % 2 == 0) {
          DrawClippedTriangle(pipeline, m_state, vertex(i), vertex(i + 1), vertex(i + 2),
                              pretransformed);
        } else {
          DrawClippedTriangle(pipeline, m_state, vertex(i + 1), vertex(i), vertex(i + 2),
                              pretransformed);
        }
      }
      break;
    case D3DPT_TRIANGLEFAN:
      for (UINT i = 0; i < n; ++i) {
        DrawClippedTriangle(pipeline, m_state, vertex(0), vertex(i + 1), vertex(i + 2),
                            pretransformed);
      }
      break;
    default:
      break;
  }
}

}  // namespace tavorin::d3d9
