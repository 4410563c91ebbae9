// The DirectSound 8 sound object.
#pragma once

#include <memory>

#include <comobject.h>
#include <dsound.h>

#include "platform/dsound/DeviceState.h"

namespace tavorin::dsound {

class CDirectSound : public ComObject<IDirectSound8> {
 public:
  HRESULT Init();

  HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                              LPUNKNOWN outer) override;
  HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS caps) override;
  HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                 LPDIRECTSOUNDBUFFER* duplicate) override;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override;

 protected:
  void* QueryOtherInterface(REFIID iid) override;

 private:
  HRESULT CreatePrimary(DWORD flags, LPDIRECTSOUNDBUFFER* buffer);
  HRESULT CreateSecondary(DWORD flags, DWORD bytes, const WAVEFORMATEX* format,
                          LPDIRECTSOUNDBUFFER* buffer);

  std::shared_ptr<CDeviceState> m_device;
};

}  // namespace tavorin::dsound
