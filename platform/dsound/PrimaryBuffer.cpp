// The DirectSound primary buffer over the software mixer's output.
#include "platform/dsound/PrimaryBuffer.h"

#include <algorithm>
#include <cmath>

#include "platform/dsound/Gain.h"
#include "platform/dsound/Mixer.h"

namespace tavorin::dsound {
namespace {

// The primary buffer's nominal length: what its cursors wrap around.
constexpr DWORD kPrimaryMilliseconds = 100;

using Guard = std::lock_guard<std::mutex>;

}  // namespace

HRESULT CPrimaryBuffer::Init(std::shared_ptr<CDeviceState> device, DWORD flags) {
  m_device = std::move(device);
  m_flags = flags;
  return DS_OK;
}

DWORD CPrimaryBuffer::SizeBytesLocked() const {
  const SampleLayout& layout = m_device->primaryLayout;
  DWORD frames = std::max<DWORD>(1, layout.samplesPerSec * kPrimaryMilliseconds / 1000);
  return frames * layout.blockAlign;
}

void CPrimaryBuffer::UpdateMasterLocked() {
  float left;
  float right;
  ChannelGains(m_device->primaryVolume, m_device->primaryPan, &left, &right);
  CMixer::Instance().SetMasterGainsLocked(left, right);
}

HRESULT CPrimaryBuffer::GetCaps(LPDSBCAPS caps) {
  if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  caps->dwFlags = m_flags | DSBCAPS_LOCSOFTWARE;
  caps->dwBufferBytes = SizeBytesLocked();
  caps->dwUnlockTransferRate = 0;
  caps->dwPlayCpuOverhead = 0;
  return DS_OK;
}

HRESULT CPrimaryBuffer::GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) {
  if (playCursor == nullptr && writeCursor == nullptr) return DSERR_INVALIDPARAM;
  CMixer& mixer = CMixer::Instance();
  Guard lock(mixer.Mutex());
  const SampleLayout& layout = m_device->primaryLayout;
  const DWORD sizeFrames = SizeBytesLocked() / layout.blockAlign;
  double heard = mixer.HeardFramesLocked() * layout.samplesPerSec / kMixRate;
  auto playFrame = static_cast<DWORD>(std::fmod(heard, sizeFrames));
  // The mixer works one block (about 10 ms) ahead of what is heard.
  DWORD aheadFrames = layout.samplesPerSec / 100;
  if (playCursor != nullptr) *playCursor = playFrame * layout.blockAlign;
  if (writeCursor != nullptr) {
    *writeCursor = (playFrame + aheadFrames) % sizeFrames * layout.blockAlign;
  }
  return DS_OK;
}

HRESULT CPrimaryBuffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) {
  if (format == nullptr) {
    if (sizeWritten == nullptr) return DSERR_INVALIDPARAM;
    *sizeWritten = sizeof(WAVEFORMATEX);
    return DS_OK;
  }
  if (sizeAllocated < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  *format = MakeWaveFormat(m_device->primaryLayout);
  if (sizeWritten != nullptr) *sizeWritten = sizeof(WAVEFORMATEX);
  return DS_OK;
}

HRESULT CPrimaryBuffer::GetVolume(LPLONG volume) {
  if (volume == nullptr) return DSERR_INVALIDPARAM;
  if (!(m_flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  Guard lock(CMixer::Instance().Mutex());
  *volume = m_device->primaryVolume;
  return DS_OK;
}

HRESULT CPrimaryBuffer::GetPan(LPLONG pan) {
  if (pan == nullptr) return DSERR_INVALIDPARAM;
  if (!(m_flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  Guard lock(CMixer::Instance().Mutex());
  *pan = m_device->primaryPan;
  return DS_OK;
}

HRESULT CPrimaryBuffer::GetFrequency(LPDWORD frequency) {
  if (frequency == nullptr) return DSERR_INVALIDPARAM;
  return DSERR_CONTROLUNAVAIL;
}

HRESULT CPrimaryBuffer::GetStatus(LPDWORD status) {
  if (status == nullptr) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  *status = m_device->primaryPlaying ? (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING) : 0;
  return DS_OK;
}

HRESULT CPrimaryBuffer::Lock(DWORD, DWORD, LPVOID* audioPtr1, LPDWORD audioBytes1,
                             LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD) {
  if (audioPtr1 == nullptr || audioBytes1 == nullptr) return DSERR_INVALIDPARAM;
  *audioPtr1 = nullptr;
  *audioBytes1 = 0;
  if (audioPtr2 != nullptr) *audioPtr2 = nullptr;
  if (audioBytes2 != nullptr) *audioBytes2 = 0;
  // Writing the primary buffer needs DSSCL_WRITEPRIMARY, which is not offered.
  return DSERR_PRIOLEVELNEEDED;
}

HRESULT CPrimaryBuffer::Play(DWORD reserved1, DWORD priority, DWORD flags) {
  if (reserved1 != 0 || priority != 0 || flags != DSBPLAY_LOOPING) return DSERR_INVALIDPARAM;
  if (m_device->cooperativeLevel.load() == 0) return DSERR_PRIOLEVELNEEDED;
  Guard lock(CMixer::Instance().Mutex());
  m_device->primaryPlaying = true;
  return DS_OK;
}

HRESULT CPrimaryBuffer::SetCurrentPosition(DWORD) {
  return DSERR_INVALIDCALL;
}

HRESULT CPrimaryBuffer::SetFormat(LPCWAVEFORMATEX format) {
  if (format == nullptr) return DSERR_INVALIDPARAM;
  if (m_device->cooperativeLevel.load() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  SampleLayout layout;
  HRESULT hr = CheckWaveFormat(*format, &layout);
  if (FAILED(hr)) return hr;
  Guard lock(CMixer::Instance().Mutex());
  m_device->primaryLayout = layout;
  return DS_OK;
}

HRESULT CPrimaryBuffer::SetVolume(LONG volume) {
  if (!(m_flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  m_device->primaryVolume = volume;
  UpdateMasterLocked();
  return DS_OK;
}

HRESULT CPrimaryBuffer::SetPan(LONG pan) {
  if (!(m_flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  m_device->primaryPan = pan;
  UpdateMasterLocked();
  return DS_OK;
}

HRESULT CPrimaryBuffer::SetFrequency(DWORD) {
  return DSERR_CONTROLUNAVAIL;
}

HRESULT CPrimaryBuffer::Stop() {
  Guard lock(CMixer::Instance().Mutex());
  m_device->primaryPlaying = false;
  return DS_OK;
}

HRESULT CPrimaryBuffer::Unlock(LPVOID, DWORD, LPVOID, DWORD) {
  return DSERR_PRIOLEVELNEEDED;
}

HRESULT CPrimaryBuffer::Restore() {
  return DS_OK;
}

}  // namespace tavorin::dsound
