#include "pack/PackManager.h"

namespace tavorin::pack {

CPackManager::~CPackManager() {
  if (m_packReader) m_packReader->Release();
}

HRESULT CPackManager::Init() {
  // Without a usable archive the manager still works, from loose files only.
  if (FAILED(CreatePackReader(&m_packReader))) m_packReader = nullptr;
  return S_OK;
}

HRESULT CPackManager::OpenFileReader(IFileReader** out, const char* name, DWORD capacity) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (name == nullptr) return E_INVALIDARG;
  return ArchiveThenLoose(name, [&](IReadAccesser* stream) {
    return stream ? CreateFileReader(out, nullptr, stream, capacity)
                  : CreateFileReader(out, name, nullptr, capacity);
  });
}

HRESULT CPackManager::OpenFile(IReadAccesser** out, const char* name) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (name == nullptr) return E_INVALIDARG;
  return ArchiveThenLoose(name, [&](IReadAccesser* stream) {
    return stream ? stream->QueryInterface(IID_IReadAccesser, reinterpret_cast<void**>(out))
                  : OpenReadAccesser(out, name);
  });
}

HRESULT CPackManager::LoadScene(IVeya2** out, IDirect3DDevice9* /*device*/, IVeyaShader* /*shader*/,
                                const char* /*name*/) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT CPackManager::LoadTexture(IDirect3DTexture9** out, IDirect3DDevice9* /*device*/,
                                  const char* /*name*/, INT* /*size*/) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT CPackManager::LoadSound(IDirectSoundPlayer3** out, IDirectSound8* /*sound*/,
                                const char* /*name*/, INT /*type*/) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

IPackReader* CPackManager::GetPackReader() {
  if (m_packReader) m_packReader->AddRef();
  return m_packReader;
}

}  // namespace tavorin::pack

HRESULT CreatePackManager(IPackManager** out) {
  return tavorin::CreateComObject<tavorin::pack::CPackManager>(out);
}
