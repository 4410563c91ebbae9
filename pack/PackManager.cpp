#include "pack/PackManager.h"

#include <IVeya2.h>
#include <SoundPlayer.h>
#include <d3dx9.h>

#include "pack/RawTexture.h"

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

// Scenes are made by the scene component, which reads through this one; the
// creator is resolved when a program links both (libtavorin holds both).
HRESULT CPackManager::LoadScene(IVeya2** out, IDirect3DDevice9* device, IVeyaShader* shader,
                                const char* name) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (name == nullptr) return E_INVALIDARG;
  return ArchiveThenLoose(name, [&](IReadAccesser* stream) {
    return stream ? CreateVeya2(out, nullptr, device, shader, stream)
                  : CreateVeya2(out, name, device, shader, nullptr);
  });
}

HRESULT CPackManager::LoadTexture(IDirect3DTexture9** out, IDirect3DDevice9* device,
                                  const char* name, INT size[2]) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (device == nullptr || name == nullptr) return E_INVALIDARG;
  HRESULT hr = ArchiveThenLoose(
      name, [&](IReadAccesser* stream) { return LoadRawTexture(device, name, stream, out, size); });
  // A raw texture too large for the budget is no image file either.
  if (SUCCEEDED(hr) || hr == E_OUTOFMEMORY) return hr;
  return LoadImageTexture(device, name, out, size);
}

// The last resort: any image file the device's image loader reads, at the
// file's size rounded up as textures need, unfiltered, one level.
HRESULT CPackManager::LoadImageTexture(IDirect3DDevice9* device, const char* name,
                                       IDirect3DTexture9** out, INT size[2]) {
  HRESULT hr =
      D3DXCreateTextureFromFileExA(device, name, 0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                   D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, out);
  if (FAILED(hr) || size == nullptr) return hr;
  D3DXIMAGE_INFO info{};
  hr = D3DXGetImageInfoFromFileA(name, &info);
  if (FAILED(hr)) {
    (*out)->Release();
    *out = nullptr;
    return hr;
  }
  size[0] = static_cast<INT>(info.Width);
  size[1] = static_cast<INT>(info.Height);
  return S_OK;
}

HRESULT CPackManager::LoadSound(IDirectSoundPlayer3** out, IDirectSound8* sound, const char* name,
                                INT type) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (name == nullptr) return E_INVALIDARG;
  // The name picks the type for the archived stream too.
  return ArchiveThenLoose(name, [&](IReadAccesser* stream) {
    return CreateSoundPlayer(name, stream, sound, out, type);
  });
}

IPackReader* CPackManager::GetPackReader() {
  if (m_packReader) m_packReader->AddRef();
  return m_packReader;
}

}  // namespace tavorin::pack

HRESULT CreatePackManager(IPackManager** out) {
  return tavorin::CreateComObject<tavorin::pack::CPackManager>(out);
}
