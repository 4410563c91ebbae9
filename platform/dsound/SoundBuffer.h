// DirectSound secondary buffers.
#pragma once

#include <memory>
#include <vector>

#include <comobject.h>
#include <dsound.h>

#include "platform/dsound/DeviceState.h"
#include "platform/dsound/Voice.h"

namespace tavorin::dsound {

// A secondary buffer: PCM bytes written through Lock/Unlock and played by the
// mixer through its voice. Every operation takes the mixer lock.
class CSoundBuffer : public ComObject<IDirectSoundBuffer8> {
 public:
  // A new buffer of `bytes` (whole frames) of silence.
  HRESULT Init(std::shared_ptr<CDeviceState> device, DWORD flags, DWORD bytes,
               const SampleLayout& layout);
  // A duplicate sharing the original's samples and controls.
  HRESULT Init(std::shared_ptr<CDeviceState> device, CSoundBuffer* original);

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

 protected:
  ~CSoundBuffer() override;
  void* QueryOtherInterface(REFIID iid) override;

 private:
  // Lock hands out a copy of the range, so the mixer never reads bytes while
  // the caller writes them; Unlock copies the written part back.
  struct PendingLock {
    std::unique_ptr<BYTE[]> staging;
    DWORD offset = 0;
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
  };

  void UpdateGainsLocked();

  std::shared_ptr<CDeviceState> m_device;
  std::shared_ptr<CVoice> m_voice;
  DWORD m_flags = 0;
  LONG m_volume = DSBVOLUME_MAX;
  LONG m_pan = DSBPAN_CENTER;
  std::vector<PendingLock> m_locks;
};

}  // namespace tavorin::dsound
