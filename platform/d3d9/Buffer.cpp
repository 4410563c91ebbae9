// Direct3D 9 vertex and index buffers in CPU memory.
#include "platform/d3d9/Buffer.h"

#include <new>

namespace tavorin::d3d9 {

namespace {
// Beyond this a CPU device would rather report the allocation failure than
// try: 256 MiB.
constexpr UINT kMaxBufferLength = 256u << 20;
}  // namespace

HRESULT BufferStorage::Allocate(UINT length) {
  if (length == 0) return D3DERR_INVALIDCALL;
  if (length > kMaxBufferLength) return D3DERR_OUTOFVIDEOMEMORY;
  m_bytes.assign(length, 0);
  return D3D_OK;
}

HRESULT BufferStorage::Lock(UINT offset, UINT size, void** data) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  *data = nullptr;
  if (offset > m_bytes.size() || size > m_bytes.size() - offset) return D3DERR_INVALIDCALL;
  // A size of 0 locks from the offset to the end, as Direct3D does.
  ++m_lockCount;
  *data = m_bytes.data() + offset;
  return D3D_OK;
}

HRESULT BufferStorage::Unlock() {
  int count = m_lockCount.load();
  while (count > 0 && !m_lockCount.compare_exchange_weak(count, count - 1)) {
  }
  return count > 0 ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT CVertexBuffer::Init(DeviceLinkPtr link, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
  m_link = std::move(link);
  CountForReset(pool);
  m_desc = D3DVERTEXBUFFER_DESC{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
  return m_storage.Allocate(length);
}

HRESULT CVertexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD /*flags*/) {
  return m_storage.Lock(offsetToLock, sizeToLock, data);
}

HRESULT CVertexBuffer::Unlock() {
  return m_storage.Unlock();
}

HRESULT CVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = m_desc;
  return D3D_OK;
}

HRESULT CIndexBuffer::Init(DeviceLinkPtr link, UINT length, DWORD usage, D3DFORMAT format,
                           D3DPOOL pool) {
  if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
  m_link = std::move(link);
  CountForReset(pool);
  m_desc = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
  return m_storage.Allocate(length);
}

HRESULT CIndexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD /*flags*/) {
  return m_storage.Lock(offsetToLock, sizeToLock, data);
}

HRESULT CIndexBuffer::Unlock() {
  return m_storage.Unlock();
}

HRESULT CIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = m_desc;
  return D3D_OK;
}

}  // namespace tavorin::d3d9
