// The DirectSound primary buffer.
#pragma once

#include <memory>

#include <comobject.h>
#include <dsound.h>

#include "platform/dsound/DeviceState.h"

namespace tavorin::dsound {

// Stands for the mixed output of its sound object: its volume and pan scale
// the whole mix, its format is what the caller asked for (the output mixes
// at its own rate), and its cursors follow the output in real time. It
// holds no samples of its own.
class CPrimaryBuffer : public ComObject<IDirectSoundBuffer> {
 public:
  HRESULT Init(std::shared_ptr<CDeviceState> device, DWORD flags);

  HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) override;
  HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) override;
  HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated,
                                      LPDWORD sizeWritten) override;
  HRESULT STDMETHODCALLTYPE GetVolume(LPLONG volume) override;
  HRESULT STDMETHODCALLTYPE GetPan(LPLONG pan) override;
  HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD frequency) override;
  HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override;
  HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1,
                                 LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Play(DWORD reserved1, DWORD priority, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD newPosition) override;
  HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX format) override;
  HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override;
  HRESULT STDMETHODCALLTYPE SetPan(LONG pan) override;
  HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2,
                                   DWORD audioBytes2) override;
  HRESULT STDMETHODCALLTYPE Restore() override;

 private:
  DWORD SizeBytesLocked() const;
  void UpdateMasterLocked();

  std::shared_ptr<CDeviceState> m_device;
  DWORD m_flags = 0;
};

}  // namespace tavorin::dsound
