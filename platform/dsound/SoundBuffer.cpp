// DirectSound secondary buffers on the software mixer.
#include "platform/dsound/SoundBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/dsound/Gain.h"
#include "platform/dsound/Mixer.h"

namespace tavorin::dsound {
namespace {

constexpr DWORD kPlayFlags = DSBPLAY_LOOPING | DSBPLAY_LOCHARDWARE | DSBPLAY_LOCSOFTWARE |
                             DSBPLAY_TERMINATEBY_TIME | DSBPLAY_TERMINATEBY_DISTANCE |
                             DSBPLAY_TERMINATEBY_PRIORITY;

using Guard = std::lock_guard<std::mutex>;

}  // namespace

HRESULT CSoundBuffer::Init(std::shared_ptr<CDeviceState> device, DWORD flags, DWORD bytes,
                           const SampleLayout& layout) {
  auto samples = std::make_shared<SampleBytes>();
  // Silence: 8-bit samples are unsigned around 0x80.
  samples->assign(bytes, layout.type == SampleType::kUnsigned8 ? 0x80 : 0x00);
  m_device = std::move(device);
  m_flags = flags;
  m_voice = std::make_shared<CVoice>(std::move(samples), layout);
  return DS_OK;
}

HRESULT CSoundBuffer::Init(std::shared_ptr<CDeviceState> device, CSoundBuffer* original) {
  Guard lock(CMixer::Instance().Mutex());
  m_device = std::move(device);
  m_flags = original->m_flags;
  m_volume = original->m_volume;
  m_pan = original->m_pan;
  m_voice = std::make_shared<CVoice>(original->m_voice->SharedBytes(), original->m_voice->Layout());
  m_voice->SetFrequency(original->m_voice->Frequency());
  UpdateGainsLocked();
  return DS_OK;
}

CSoundBuffer::~CSoundBuffer() {
  if (!m_voice) return;
  Guard lock(CMixer::Instance().Mutex());
  CMixer::Instance().RemoveVoiceLocked(m_voice.get());
}

void* CSoundBuffer::QueryOtherInterface(REFIID iid) {
  if (iid == IID_IDirectSoundBuffer) return static_cast<IDirectSoundBuffer*>(this);
  return nullptr;
}

HRESULT CSoundBuffer::GetCaps(LPDSBCAPS caps) {
  if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
  caps->dwFlags = m_flags | ((m_flags & DSBCAPS_LOCDEFER) ? 0 : DSBCAPS_LOCSOFTWARE);
  caps->dwBufferBytes = m_voice->SizeBytes();
  caps->dwUnlockTransferRate = 0;
  caps->dwPlayCpuOverhead = 0;
  return DS_OK;
}

HRESULT CSoundBuffer::GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) {
  if (playCursor == nullptr && writeCursor == nullptr) return DSERR_INVALIDPARAM;
  CMixer& mixer = CMixer::Instance();
  Guard lock(mixer.Mutex());
  if (playCursor != nullptr) *playCursor = m_voice->PlayCursor(mixer.ElapsedFramesLocked());
  if (writeCursor != nullptr) *writeCursor = m_voice->WriteCursor();
  return DS_OK;
}

HRESULT CSoundBuffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) {
  if (format == nullptr) {
    if (sizeWritten == nullptr) return DSERR_INVALIDPARAM;
    *sizeWritten = sizeof(WAVEFORMATEX);
    return DS_OK;
  }
  if (sizeAllocated < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
  *format = MakeWaveFormat(m_voice->Layout());
  if (sizeWritten != nullptr) *sizeWritten = sizeof(WAVEFORMATEX);
  return DS_OK;
}

HRESULT CSoundBuffer::GetVolume(LPLONG volume) {
  if (volume == nullptr) return DSERR_INVALIDPARAM;
  if (!(m_flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  Guard lock(CMixer::Instance().Mutex());
  *volume = m_volume;
  return DS_OK;
}

HRESULT CSoundBuffer::GetPan(LPLONG pan) {
  if (pan == nullptr) return DSERR_INVALIDPARAM;
  if (!(m_flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  Guard lock(CMixer::Instance().Mutex());
  *pan = m_pan;
  return DS_OK;
}

HRESULT CSoundBuffer::GetFrequency(LPDWORD frequency) {
  if (frequency == nullptr) return DSERR_INVALIDPARAM;
  if (!(m_flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  Guard lock(CMixer::Instance().Mutex());
  *frequency = m_voice->Frequency();
  return DS_OK;
}

HRESULT CSoundBuffer::GetStatus(LPDWORD status) {
  if (status == nullptr) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  DWORD result = 0;
  if (m_voice->IsPlaying()) {
    result |= DSBSTATUS_PLAYING;
    if (m_voice->IsLooping()) result |= DSBSTATUS_LOOPING;
    if (m_flags & DSBCAPS_LOCDEFER) result |= DSBSTATUS_LOCSOFTWARE;
  }
  *status = result;
  return DS_OK;
}

HRESULT CSoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1,
                           LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD flags) {
  if (audioPtr1 == nullptr || audioBytes1 == nullptr) return DSERR_INVALIDPARAM;
  *audioPtr1 = nullptr;
  *audioBytes1 = 0;
  if (audioPtr2 != nullptr) {
    if (audioBytes2 == nullptr) return DSERR_INVALIDPARAM;
    *audioPtr2 = nullptr;
    *audioBytes2 = 0;
  }
  if (flags & ~(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER)) return DSERR_INVALIDPARAM;
  const DWORD size = m_voice->SizeBytes();
  if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
  if (bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
  if (!(flags & DSBLOCK_FROMWRITECURSOR) && offset >= size) return DSERR_INVALIDPARAM;

  PendingLock pending;
  pending.staging.reset(new (std::nothrow) BYTE[bytes]);
  if (!pending.staging) return DSERR_OUTOFMEMORY;

  Guard lock(CMixer::Instance().Mutex());
  if (flags & DSBLOCK_FROMWRITECURSOR) offset = m_voice->WriteCursor();
  pending.offset = offset;
  pending.bytes1 = std::min(bytes, size - offset);
  pending.bytes2 = audioPtr2 != nullptr ? bytes - pending.bytes1 : 0;
  const BYTE* samples = m_voice->Bytes().data();
  std::memcpy(pending.staging.get(), samples + offset, pending.bytes1);
  std::memcpy(pending.staging.get() + pending.bytes1, samples, pending.bytes2);
  try {
    m_locks.push_back(std::move(pending));
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  const PendingLock& added = m_locks.back();
  *audioPtr1 = added.staging.get();
  *audioBytes1 = added.bytes1;
  if (audioPtr2 != nullptr && added.bytes2 > 0) {
    *audioPtr2 = added.staging.get() + added.bytes1;
    *audioBytes2 = added.bytes2;
  }
  return DS_OK;
}

HRESULT CSoundBuffer::Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2,
                             DWORD audioBytes2) {
  if (audioPtr1 == nullptr) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  auto found = std::find_if(m_locks.begin(), m_locks.end(), [audioPtr1](const PendingLock& item) {
    return item.staging.get() == audioPtr1;
  });
  if (found == m_locks.end()) return DSERR_INVALIDPARAM;
  BYTE* second = found->bytes2 > 0 ? found->staging.get() + found->bytes1 : nullptr;
  if (audioBytes1 > found->bytes1) return DSERR_INVALIDPARAM;
  if (audioPtr2 != nullptr && audioPtr2 != second) return DSERR_INVALIDPARAM;
  if (audioPtr2 == nullptr) audioBytes2 = 0;
  if (audioBytes2 > found->bytes2) return DSERR_INVALIDPARAM;
  BYTE* samples = m_voice->Bytes().data();
  std::memcpy(samples + found->offset, found->staging.get(), audioBytes1);
  if (audioBytes2 > 0) std::memcpy(samples, second, audioBytes2);
  m_locks.erase(found);
  return DS_OK;
}

HRESULT CSoundBuffer::Play(DWORD reserved1, DWORD priority, DWORD flags) {
  if (reserved1 != 0 || (flags & ~kPlayFlags)) return DSERR_INVALIDPARAM;
  // Priorities and voice management belong to buffers whose location is
  // deferred to Play; for the others they are invalid.
  if (!(m_flags & DSBCAPS_LOCDEFER) && (priority != 0 || (flags & ~DSBPLAY_LOOPING))) {
    return DSERR_INVALIDPARAM;
  }
  if ((flags & DSBPLAY_LOCHARDWARE) && (flags & DSBPLAY_LOCSOFTWARE)) return DSERR_INVALIDPARAM;
  if (flags & DSBPLAY_LOCHARDWARE) return DSERR_UNSUPPORTED;
  if (m_device->cooperativeLevel.load() == 0) return DSERR_PRIOLEVELNEEDED;
  CMixer& mixer = CMixer::Instance();
  Guard lock(mixer.Mutex());
  m_voice->Start((flags & DSBPLAY_LOOPING) != 0);
  mixer.AddVoiceLocked(m_voice);
  return DS_OK;
}

HRESULT CSoundBuffer::SetCurrentPosition(DWORD newPosition) {
  if (newPosition >= m_voice->SizeBytes()) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  m_voice->SetPosition(newPosition);
  return DS_OK;
}

HRESULT CSoundBuffer::SetFormat(LPCWAVEFORMATEX /*format*/) {
  return DSERR_INVALIDCALL;
}

HRESULT CSoundBuffer::SetVolume(LONG volume) {
  if (!(m_flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  m_volume = volume;
  UpdateGainsLocked();
  return DS_OK;
}

HRESULT CSoundBuffer::SetPan(LONG pan) {
  if (!(m_flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  m_pan = pan;
  UpdateGainsLocked();
  return DS_OK;
}

HRESULT CSoundBuffer::SetFrequency(DWORD frequency) {
  if (!(m_flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (frequency == DSBFREQUENCY_ORIGINAL) frequency = m_voice->Layout().samplesPerSec;
  if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
  Guard lock(CMixer::Instance().Mutex());
  m_voice->SetFrequency(frequency);
  return DS_OK;
}

HRESULT CSoundBuffer::Stop() {
  CMixer& mixer = CMixer::Instance();
  Guard lock(mixer.Mutex());
  m_voice->Stop(mixer.ElapsedFramesLocked());
  mixer.RemoveVoiceLocked(m_voice.get());
  return DS_OK;
}

HRESULT CSoundBuffer::Restore() {
  return DS_OK;
}

void CSoundBuffer::UpdateGainsLocked() {
  float left;
  float right;
  ChannelGains(m_volume, m_pan, &left, &right);
  m_voice->SetGains(left, right);
}

}  // namespace tavorin::dsound
