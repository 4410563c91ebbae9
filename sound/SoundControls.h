// Volume, pan and frequency of a sound player's buffer, with glides and the
// fade-out that ends a sound.
#pragma once

#include <atomic>
#include <mutex>

#include <dsound.h>

namespace tavorin::sound {

// A value moving towards a target at a fixed speed (units per millisecond).
// The distance covered is computed from the time since the glide began, so
// slow speeds on short polling passes still arrive.
struct Glide {
  bool active = false;
  INT from = 0;
  INT target = 0;
  INT current = 0;
  float speed = 0.0f;
  DWORD startTime = 0;

  void Start(INT value, INT goal, float unitsPerMs, DWORD now);
  // Moves `current` to where the glide is at `now`; true once it arrived.
  bool Advance(DWORD now);
};

// Every operation takes the controls' own lock, so the caller's thread and
// the streaming thread may use it at once; the buffer's calls are made under
// that lock, so the last value set is the one the buffer keeps.
class CSoundControls {
 public:
  void Attach(IDirectSoundBuffer8* buffer, DWORD samplesPerSec);

  void SetMasterVolume(INT volume);
  // With `glide` a change glides from the value heard now; otherwise it
  // applies at once. During a fade-out the volume is only stored: the fade
  // applies it on its next step.
  void SetVolume(INT volume, float speed, bool glide, DWORD now);
  void SetPan(INT pan, float speed, bool glide, DWORD now);
  void SetFrequency(INT perMille, float speed, bool glide, DWORD now);

  // Starts (or re-speeds) the fade-out. A volume glide stops where it is.
  void StartFadeOut(float speed, DWORD now);
  // Cancels a fade-out and restores the volume, unless the fade has already
  // finished (`stopRequest` set): then false.
  bool CancelFadeOut(const std::atomic<bool>& stopRequest);
  // One pass of the streaming thread. When the fade has gone deep enough the
  // buffer is stopped, its volume restored and `stopRequest` set.
  void Step(DWORD now, std::atomic<bool>* stopRequest);
  // Glides arrive at their targets and a fade-out ends, at once.
  void JumpToEnd();

  INT MasterVolume() const { return m_masterVolume; }
  INT Volume() const { return m_volume; }
  INT Pan() const { return m_pan; }
  INT Frequency() const { return m_frequency; }

 private:
  void ApplyVolumeLocked();
  void ApplyPanLocked();
  void ApplyFrequencyLocked();
  INT DepthLocked(DWORD now) const;

  std::mutex m_mutex;
  IDirectSoundBuffer8* m_buffer = nullptr;
  DWORD m_samplesPerSec = 0;
  std::atomic<INT> m_masterVolume{0};
  std::atomic<INT> m_volume{0};
  std::atomic<INT> m_pan{0};
  std::atomic<INT> m_frequency{1000};
  Glide m_volumeGlide;
  Glide m_panGlide;
  Glide m_frequencyGlide;
  bool m_fading = false;
  INT m_fadeBaseDepth = 0;
  INT m_fadeDepth = 0;
  float m_fadeSpeed = 0.0f;
  DWORD m_fadeStart = 0;
};

}  // namespace tavorin::sound
