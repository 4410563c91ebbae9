// The DirectSound 8 sound object and its creator, on the software mixer.
#include "platform/dsound/DirectSound.h"

#include <new>

#include "platform/dsound/PrimaryBuffer.h"
#include "platform/dsound/SoundBuffer.h"

namespace tavorin::dsound {
namespace {

constexpr DWORD kKnownFlags =
    DSBCAPS_PRIMARYBUFFER | DSBCAPS_STATIC | DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE |
    DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
    DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_CTRLFX | DSBCAPS_STICKYFOCUS | DSBCAPS_GLOBALFOCUS |
    DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_MUTE3DATMAXDISTANCE | DSBCAPS_LOCDEFER;

// Descriptions are accepted at their size in this build and at the sizes the
// same records have in 32-bit builds (20 and 36 bytes), which callers written
// for those write as constants. Only fields up to lpwfxFormat are read.
bool IsKnownDescriptionSize(DWORD size) {
  return size == sizeof(DSBUFFERDESC) || size == sizeof(DSBUFFERDESC1) || size == 36 || size == 20;
}

HRESULT CheckCommonFlags(DWORD flags) {
  if (flags & ~kKnownFlags) return DSERR_INVALIDPARAM;
  if ((flags & DSBCAPS_LOCHARDWARE) && (flags & DSBCAPS_LOCSOFTWARE)) return DSERR_INVALIDPARAM;
  if ((flags & DSBCAPS_LOCDEFER) && (flags & (DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE))) {
    return DSERR_INVALIDPARAM;
  }
  return DS_OK;
}

}  // namespace

HRESULT CDirectSound::Init() {
  m_device = std::make_shared<CDeviceState>();
  return m_device->HasOutput() ? DS_OK : DSERR_OUTOFMEMORY;
}

void* CDirectSound::QueryOtherInterface(REFIID iid) {
  if (iid == IID_IDirectSound) return static_cast<IDirectSound*>(this);
  return nullptr;
}

HRESULT CDirectSound::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                        LPUNKNOWN outer) {
  if (buffer == nullptr) return DSERR_INVALIDPARAM;
  *buffer = nullptr;
  if (desc == nullptr || !IsKnownDescriptionSize(desc->dwSize)) return DSERR_INVALIDPARAM;
  if (outer != nullptr) return DSERR_NOAGGREGATION;
  HRESULT hr = CheckCommonFlags(desc->dwFlags);
  if (FAILED(hr)) return hr;
  if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
    // The primary buffer's size and format are the output's, not the caller's.
    if (desc->dwBufferBytes != 0 || desc->lpwfxFormat != nullptr) return DSERR_INVALIDPARAM;
    return CreatePrimary(desc->dwFlags, buffer);
  }
  return CreateSecondary(desc->dwFlags, desc->dwBufferBytes, desc->lpwfxFormat, buffer);
}

HRESULT CDirectSound::CreatePrimary(DWORD flags, LPDIRECTSOUNDBUFFER* buffer) {
  // The primary buffer's rate is the output's; it holds no samples to notify
  // about or to place.
  if (flags & (DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLFX | DSBCAPS_CTRLPOSITIONNOTIFY |
               DSBCAPS_STATIC | DSBCAPS_LOCDEFER)) {
    return DSERR_INVALIDPARAM;
  }
  if (flags & DSBCAPS_LOCHARDWARE) return DSERR_UNSUPPORTED;
  return CreateComObject<CPrimaryBuffer>(buffer, m_device, flags);
}

HRESULT CDirectSound::CreateSecondary(DWORD flags, DWORD bytes, const WAVEFORMATEX* format,
                                      LPDIRECTSOUNDBUFFER* buffer) {
  if (format == nullptr) return DSERR_INVALIDPARAM;
  if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
  if ((flags & DSBCAPS_CTRL3D) && (flags & DSBCAPS_CTRLPAN)) return DSERR_INVALIDPARAM;
  SampleLayout layout;
  HRESULT hr = CheckWaveFormat(*format, &layout);
  if (FAILED(hr)) return hr;
  bytes -= bytes % layout.blockAlign;
  if (bytes < DSBSIZE_MIN) return DSERR_INVALIDPARAM;
  // No 3-D positioning, effects or hardware voices are offered: refusing
  // them is clearer than a buffer that silently lacks them.
  if (flags & (DSBCAPS_CTRL3D | DSBCAPS_CTRLFX | DSBCAPS_LOCHARDWARE)) return DSERR_UNSUPPORTED;
  IDirectSoundBuffer8* created = nullptr;
  hr = CreateComObject<CSoundBuffer>(&created, m_device, flags, bytes, layout);
  if (FAILED(hr)) return hr;
  *buffer = created;
  return DS_OK;
}

HRESULT CDirectSound::GetCaps(LPDSCAPS caps) {
  if (caps == nullptr || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
  DWORD size = caps->dwSize;
  *caps = DSCAPS{};
  caps->dwSize = size;
  caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT |
                  DSCAPS_PRIMARY16BIT | DSCAPS_CONTINUOUSRATE | DSCAPS_SECONDARYMONO |
                  DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
  caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
  caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
  caps->dwPrimaryBuffers = 1;
  return DS_OK;
}

HRESULT CDirectSound::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                           LPDIRECTSOUNDBUFFER* duplicate) {
  if (duplicate == nullptr) return DSERR_INVALIDPARAM;
  *duplicate = nullptr;
  if (original == nullptr) return DSERR_INVALIDPARAM;
  if (dynamic_cast<CPrimaryBuffer*>(original) != nullptr) return DSERR_INVALIDCALL;
  auto* source = dynamic_cast<CSoundBuffer*>(original);
  if (source == nullptr) return DSERR_INVALIDPARAM;
  IDirectSoundBuffer8* created = nullptr;
  HRESULT hr = CreateComObject<CSoundBuffer>(&created, m_device, source);
  if (FAILED(hr)) return hr;
  *duplicate = created;
  return DS_OK;
}

HRESULT CDirectSound::SetCooperativeLevel(HWND /*window*/, DWORD level) {
  if (level == DSSCL_WRITEPRIMARY) return DSERR_UNSUPPORTED;
  if (level < DSSCL_NORMAL || level > DSSCL_EXCLUSIVE) return DSERR_INVALIDPARAM;
  // Exclusive access has meant priority since DirectSound 8.
  m_device->cooperativeLevel = level == DSSCL_EXCLUSIVE ? DSSCL_PRIORITY : level;
  return DS_OK;
}

}  // namespace tavorin::dsound

HRESULT WINAPI DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* directSound, LPUNKNOWN outer) {
  if (directSound == nullptr) return DSERR_INVALIDPARAM;
  *directSound = nullptr;
  if (outer != nullptr) return DSERR_NOAGGREGATION;
  if (device != nullptr && *device != GUID_NULL && *device != DSDEVID_DefaultPlayback &&
      *device != DSDEVID_DefaultVoicePlayback) {
    return DSERR_NODRIVER;
  }
  return tavorin::CreateComObject<tavorin::dsound::CDirectSound>(directSound);
}
