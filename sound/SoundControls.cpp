#include "sound/SoundControls.h"

#include <algorithm>
#include <cmath>

namespace tavorin::sound {
namespace {

constexpr INT kMinVolume = DSBVOLUME_MIN;
constexpr INT kMaxVolume = DSBVOLUME_MAX;
constexpr INT kMinPerMille = 10;
constexpr INT kMaxPerMille = 2000;
// The fade stops the sound once it is this far below the volume.
constexpr INT kFadeStopDepth = 5000;
// Deeper than any fade can usefully go; keeps the depth far from overflow.
constexpr double kDeepest = 20000.0;

DWORD Elapsed(DWORD now, DWORD since) {
  // timeGetTime wraps at 32 bits; the unsigned difference still holds.
  return now - since;
}

}  // namespace

void Glide::Start(INT value, INT goal, float unitsPerMs, DWORD now) {
  active = true;
  from = value;
  current = value;
  target = goal;
  speed = unitsPerMs;
  startTime = now;
}

bool Glide::Advance(DWORD now) {
  double covered = double(speed) * double(Elapsed(now, startTime));
  double distance = std::fabs(double(target) - double(from));
  if (covered >= distance) {
    current = target;
    return true;
  }
  INT step = static_cast<INT>(covered);
  current = target > from ? from + step : from - step;
  return false;
}

void CSoundControls::Attach(IDirectSoundBuffer8* buffer, DWORD samplesPerSec) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_buffer = buffer;
  m_samplesPerSec = samplesPerSec;
  ApplyVolumeLocked();
}

void CSoundControls::SetMasterVolume(INT volume) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_masterVolume = std::clamp(volume, kMinVolume, kMaxVolume);
  ApplyVolumeLocked();
}

void CSoundControls::SetVolume(INT volume, float speed, bool glide, DWORD now) {
  std::lock_guard<std::mutex> lock(m_mutex);
  volume = std::clamp(volume, kMinVolume, kMaxVolume);
  if (m_fading) {
    m_volume = volume;
    return;
  }
  if (glide && speed > 0.0f) {
    INT heard = m_volumeGlide.active ? m_volumeGlide.current : m_volume.load();
    m_volumeGlide.Start(heard, volume, speed, now);
    return;
  }
  m_volumeGlide.active = false;
  m_volume = volume;
  ApplyVolumeLocked();
}

void CSoundControls::SetPan(INT pan, float speed, bool glide, DWORD now) {
  std::lock_guard<std::mutex> lock(m_mutex);
  pan = std::clamp(pan, INT(DSBPAN_LEFT), INT(DSBPAN_RIGHT));
  if (glide && speed > 0.0f) {
    INT heard = m_panGlide.active ? m_panGlide.current : m_pan.load();
    m_panGlide.Start(heard, pan, speed, now);
    return;
  }
  m_panGlide.active = false;
  m_pan = pan;
  ApplyPanLocked();
}

void CSoundControls::SetFrequency(INT perMille, float speed, bool glide, DWORD now) {
  std::lock_guard<std::mutex> lock(m_mutex);
  perMille = std::clamp(perMille, kMinPerMille, kMaxPerMille);
  if (glide && speed > 0.0f) {
    INT heard = m_frequencyGlide.active ? m_frequencyGlide.current : m_frequency.load();
    m_frequencyGlide.Start(heard, perMille, speed, now);
    return;
  }
  m_frequencyGlide.active = false;
  m_frequency = perMille;
  ApplyFrequencyLocked();
}

void CSoundControls::StartFadeOut(float speed, DWORD now) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_fadeBaseDepth = m_fading ? DepthLocked(now) : 0;
  m_fadeStart = now;
  m_fadeSpeed = speed;
  m_fading = true;
  // The fade starts from what is heard, not from where a glide was heading.
  if (m_volumeGlide.active) {
    m_volume = m_volumeGlide.current;
    m_volumeGlide.active = false;
  }
}

bool CSoundControls::CancelFadeOut(const std::atomic<bool>& stopRequest) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (stopRequest) return false;
  m_fading = false;
  m_fadeDepth = 0;
  ApplyVolumeLocked();
  return true;
}

void CSoundControls::Step(DWORD now, std::atomic<bool>* stopRequest) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_fading) {
    m_fadeDepth = DepthLocked(now);
    if (m_volume - m_fadeDepth < -kFadeStopDepth) {
      // Stopped before the volume comes back, so nothing loud slips out.
      if (m_buffer) m_buffer->Stop();
      m_fading = false;
      m_fadeDepth = 0;
      ApplyVolumeLocked();
      *stopRequest = true;
      return;
    }
    ApplyVolumeLocked();
  }
  if (m_volumeGlide.active) {
    if (m_volumeGlide.Advance(now)) {
      m_volumeGlide.active = false;
      m_volume = m_volumeGlide.target;
    }
    ApplyVolumeLocked();
  }
  if (m_panGlide.active) {
    if (m_panGlide.Advance(now)) {
      m_panGlide.active = false;
      m_pan = m_panGlide.target;
    }
    ApplyPanLocked();
  }
  if (m_frequencyGlide.active) {
    if (m_frequencyGlide.Advance(now)) {
      m_frequencyGlide.active = false;
      m_frequency = m_frequencyGlide.target;
    }
    ApplyFrequencyLocked();
  }
}

void CSoundControls::JumpToEnd() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_fading = false;
  m_fadeDepth = 0;
  if (m_volumeGlide.active) m_volume = m_volumeGlide.target;
  if (m_panGlide.active) m_pan = m_panGlide.target;
  if (m_frequencyGlide.active) m_frequency = m_frequencyGlide.target;
  m_volumeGlide.active = m_panGlide.active = m_frequencyGlide.active = false;
  ApplyVolumeLocked();
  ApplyPanLocked();
  ApplyFrequencyLocked();
}

INT CSoundControls::DepthLocked(DWORD now) const {
  double depth = m_fadeBaseDepth + double(m_fadeSpeed) * double(Elapsed(now, m_fadeStart));
  return static_cast<INT>(std::min(depth, kDeepest));
}

void CSoundControls::ApplyVolumeLocked() {
  if (m_buffer == nullptr) return;
  INT volume = m_volumeGlide.active ? m_volumeGlide.current : m_volume.load();
  if (m_fading) volume -= m_fadeDepth;
  // Master and volume together reach below what the device accepts.
  m_buffer->SetVolume(std::clamp(m_masterVolume + volume, kMinVolume, kMaxVolume));
}

void CSoundControls::ApplyPanLocked() {
  if (m_buffer == nullptr) return;
  m_buffer->SetPan(m_panGlide.active ? m_panGlide.current : m_pan.load());
}

void CSoundControls::ApplyFrequencyLocked() {
  if (m_buffer == nullptr) return;
  INT perMille = m_frequencyGlide.active ? m_frequencyGlide.current : m_frequency.load();
  // A low per mille of a low-rate sound falls below what the device accepts.
  ULONGLONG rate = ULONGLONG(m_samplesPerSec) * ULONGLONG(perMille) / 1000;
  m_buffer->SetFrequency(
      static_cast<DWORD>(std::clamp<ULONGLONG>(rate, DSBFREQUENCY_MIN, DSBFREQUENCY_MAX)));
}

}  // namespace tavorin::sound
