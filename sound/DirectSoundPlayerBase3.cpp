#include "sound/DirectSoundPlayerBase3.h"

#include <algorithm>
#include <system_error>

#include <mmsystem.h>

namespace tavorin::sound {

CDirectSoundPlayerBase3::~CDirectSoundPlayerBase3() {
  EndStreaming();
  if (m_buffer) m_buffer->Release();
}

HRESULT CDirectSoundPlayerBase3::CreateBuffer(IDirectSound8* sound, const WAVEFORMATEX& format,
                                              INT lengthMs) {
  m_format = format;
  m_bytesPerSecond = format.wBitsPerSample * format.nChannels * format.nSamplesPerSec / 8;
  m_halfSize = m_bytesPerSecond;
  m_length = lengthMs;
  if (m_bytesPerSecond == 0) return E_FAIL;

  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                 DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2 |
                 DSBCAPS_LOCDEFER | DSBCAPS_STATIC;
  desc.dwBufferBytes = 2 * m_bytesPerSecond;
  desc.lpwfxFormat = &m_format;
  IDirectSoundBuffer* first = nullptr;
  if (FAILED(sound->CreateSoundBuffer(&desc, &first, nullptr))) return E_FAIL;
  HRESULT hr = first->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&m_buffer));
  first->Release();
  if (FAILED(hr)) {
    m_buffer = nullptr;
    return E_FAIL;
  }
  m_controls.Attach(m_buffer, format.nSamplesPerSec);
  return S_OK;
}

void CDirectSoundPlayerBase3::EndStreaming() {
  if (m_buffer) m_buffer->Stop();
  WaitForStreamEnd();
}

HRESULT CDirectSoundPlayerBase3::Play(INT loopCount, INT loopStartMs) {
  if (m_buffer == nullptr) return E_POINTER;
  m_loopCount = loopCount;
  m_loopStart = std::clamp(loopStartMs, 0, m_length);
  // A stop under way (a call to Stop, or a fade that has just finished)
  // runs to its end first, so that this Play starts the sound afresh.
  do {
    if (m_state == kSoundStopped || m_stopRequest) {
      WaitForStreamEnd();
      m_stopRequest = false;
    }
  } while (!m_controls.CancelFadeOut(m_stopRequest));

  std::lock_guard<std::mutex> lock(m_transportLock);
  if (m_state == kSoundPaused) {
    m_buffer->Play(0, 0, DSBPLAY_LOOPING);
    m_state = kSoundPlaying;
  } else if (m_state == kSoundStopped) {
    INT seek = m_pendingSeek.exchange(-1);
    if (seek >= 0) m_position = seek;
    // A thread that ended by itself since the check above still needs its join.
    if (m_thread.joinable()) m_thread.join();
    m_loopsDone = 0;
    m_stopRequest = false;
    m_state = kSoundPlaying;
    try {
      m_thread = std::thread(&CDirectSoundPlayerBase3::StreamMain, this);
    } catch (const std::system_error&) {
      m_state = kSoundStopped;
      return E_FAIL;
    }
  }
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::Pause() {
  if (m_buffer == nullptr) return E_POINTER;
  {
    std::lock_guard<std::mutex> lock(m_transportLock);
    // Paused without a thread there would be nothing to resume.
    if (m_state != kSoundPlaying) return S_OK;
    m_state = kSoundPaused;
    m_buffer->Stop();
  }
  m_controls.JumpToEnd();
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::Stop(FLOAT fadeOutSpeed) {
  if (m_buffer == nullptr) return E_POINTER;
  if (m_state == kSoundPlaying && fadeOutSpeed > 0.0f) {
    m_controls.StartFadeOut(fadeOutSpeed, timeGetTime());
    return S_OK;
  }
  std::lock_guard<std::mutex> lock(m_transportLock);
  m_buffer->Stop();
  m_stopRequest = true;
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::SetPosition(INT ms) {
  if (m_buffer == nullptr) return E_POINTER;
  if (ms < 0 || ms > m_length) return E_INVALIDARG;
  if (m_state == kSoundStopped) {
    m_position = ms;
  } else {
    m_pendingSeek = ms;
  }
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::SetMasterVolume(INT volume) {
  m_controls.SetMasterVolume(volume);
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::SetVolume(INT volume, FLOAT speed) {
  if (m_buffer == nullptr) return E_POINTER;
  m_controls.SetVolume(volume, speed, m_state == kSoundPlaying, timeGetTime());
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::SetPan(INT pan, FLOAT speed) {
  if (m_buffer == nullptr) return E_POINTER;
  m_controls.SetPan(pan, speed, m_state == kSoundPlaying, timeGetTime());
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::SetFrequency(INT perMille, FLOAT speed) {
  if (m_buffer == nullptr) return E_POINTER;
  m_controls.SetFrequency(perMille, speed, m_state == kSoundPlaying, timeGetTime());
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::GetFormat(WAVEFORMATEX* out) {
  if (out == nullptr) return E_POINTER;
  *out = m_format;
  return S_OK;
}

HRESULT CDirectSoundPlayerBase3::DecodeTo(void* buffer, DWORD length, DWORD* written) {
  if (m_buffer == nullptr || buffer == nullptr || written == nullptr) return E_POINTER;
  std::lock_guard<std::recursive_mutex> lock(m_decodeLock);
  HRESULT hr = SeekMs(m_position);
  if (SUCCEEDED(hr)) hr = ReadPcm(buffer, length, FALSE, written);
  if (FAILED(hr)) {
    *written = 0;
  } else if (hr != S_FINISHED) {
    *written = length;
  }
  return hr;
}

HRESULT CDirectSoundPlayerBase3::WaitForStreamEnd() {
  if (m_thread.joinable()) {
    m_stopRequest = true;
    m_thread.join();
  }
  return S_OK;
}

}  // namespace tavorin::sound
