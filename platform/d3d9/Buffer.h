// Direct3D 9 vertex and index buffers in CPU memory.
#pragma once

#include <vector>

#include "platform/d3d9/Resource.h"

namespace tavorin::d3d9 {

// The bytes and the locking rules both buffer kinds share.
class BufferStorage {
 public:
  HRESULT Allocate(UINT length);
  HRESULT Lock(UINT offset, UINT size, void** data);
  HRESULT Unlock();
  const BYTE* Data() const { return m_bytes.data(); }
  UINT Size() const { return static_cast<UINT>(m_bytes.size()); }

 private:
  std::vector<BYTE> m_bytes;
  std::atomic<int> m_lockCount{0};
};

class CVertexBuffer : public CResource<IDirect3DVertexBuffer9> {
 public:
  HRESULT Init(DeviceLinkPtr link, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT STDMETHODCALLTYPE Lock(UINT offsetToLock, UINT sizeToLock, void** data,
                                 DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Unlock() override;
  HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

  const BufferStorage& Storage() const { return m_storage; }

 private:
  BufferStorage m_storage;
  D3DVERTEXBUFFER_DESC m_desc{};
};

class CIndexBuffer : public CResource<IDirect3DIndexBuffer9> {
 public:
  HRESULT Init(DeviceLinkPtr link, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

  D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT STDMETHODCALLTYPE Lock(UINT offsetToLock, UINT sizeToLock, void** data,
                                 DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Unlock() override;
  HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* desc) override;

  const BufferStorage& Storage() const { return m_storage; }
  D3DFORMAT Format() const { return m_desc.Format; }

 private:
  BufferStorage m_storage;
  D3DINDEXBUFFER_DESC m_desc{};
};

}  // namespace tavorin::d3d9
