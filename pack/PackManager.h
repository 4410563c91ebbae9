// The resource factory over the archive and loose files.
#pragma once

#include <IPackManager.h>
#include <comobject.h>

namespace tavorin::pack {

class CPackManager : public ComObject<IPackManager> {
 public:
  ~CPackManager() override;
  HRESULT Init();

  HRESULT OpenFileReader(IFileReader** out, const char* name, DWORD capacity) override;
  HRESULT OpenFile(IReadAccesser** out, const char* name) override;
  HRESULT LoadScene(IVeya2** out, IDirect3DDevice9* device, IVeyaShader* shader,
                    const char* name) override;
  HRESULT LoadTexture(IDirect3DTexture9** out, IDirect3DDevice9* device, const char* name,
                      INT size[2]) override;
  HRESULT LoadSound(IDirectSoundPlayer3** out, IDirectSound8* sound, const char* name,
                    INT type) override;
  IPackReader* GetPackReader() override;

 private:
  static HRESULT LoadImageTexture(IDirect3DDevice9* device, const char* name,
                                  IDirect3DTexture9** out, INT size[2]);

  // The rule every resource kind follows: `create(stream)` with the archived
  // file when the archive holds `name`, and when that is impossible or fails,
  // `create(nullptr)` for the loose file, whose result is final. The manager's
  // reference to the archived stream goes as soon as `create` returns.
  template <class Create>
  HRESULT ArchiveThenLoose(const char* name, Create create) {
    if (m_packReader != nullptr) {
      IReadAccesser* stream = nullptr;
      if (SUCCEEDED(m_packReader->OpenFile(&stream, name))) {
        HRESULT hr = create(stream);
        stream->Release();
        if (SUCCEEDED(hr)) return hr;
      }
    }
    return create(nullptr);
  }

  IPackReader* m_packReader = nullptr;
};

}  // namespace tavorin::pack
