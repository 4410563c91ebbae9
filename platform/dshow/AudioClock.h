// The reference clock of the audio renderer: time follows the play position
// of its DirectSound buffer while it plays, and the steady clock otherwise,
// so that it never stops or runs backwards.
#pragma once

#include <memory>
#include <mutex>

#include <dsound.h>
#include <streams.h>

#include "comobject.h"

namespace tavorin::dshow {

// The play position the renderer and its clock share. Thread-safe.
class AudioTimeline {
 public:
  // The buffer starts playing (or plays on): from now on the clock follows
  // its play cursor. `bytesPerSecond` is the rate the buffer consumes data;
  // `played` is where the count of played bytes goes on from (a buffer
  // resumed after a pause keeps its count, so positions keep their place).
  void Start(IDirectSoundBuffer* buffer, DWORD bufferBytes, double bytesPerSecond,
             uint64_t played = 0);
  // The buffer stops or goes; the clock runs on at the steady clock's pace.
  void Stop();
  // Bytes played since Start (wrapping included); 0 when not playing.
  uint64_t Played();
  // Whether a buffer is playing: between Start and Stop.
  bool Playing();
  // The clock's time now.
  REFERENCE_TIME Now();

 private:
  void UpdateLocked();

  std::mutex m_lock;
  ComPtr<IDirectSoundBuffer> m_buffer;
  DWORD m_bufferBytes = 0;
  double m_bytesPerSecond = 0;
  DWORD m_lastCursor = 0;
  uint64_t m_played = 0;
  // Clock time when the buffer started playing.
  REFERENCE_TIME m_anchor = 0;
  REFERENCE_TIME m_last = 0;
  REFERENCE_TIME m_lastSteady = 0;
  bool m_started = false;
};

class CAudioClock : public ComObject<IReferenceClock> {
 public:
  HRESULT Init(std::shared_ptr<AudioTimeline> timeline);
  STDMETHODIMP GetTime(REFERENCE_TIME* time) override;

 private:
  std::shared_ptr<AudioTimeline> m_timeline;
};

}  // namespace tavorin::dshow
