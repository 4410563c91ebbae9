// The audio renderer's reference clock on its buffer's play position.
#include "platform/dshow/AudioClock.h"

#include <algorithm>
#include <cmath>

#include "platform/dshow/SystemClock.h"

namespace tavorin::dshow {

void AudioTimeline::Start(IDirectSoundBuffer* buffer, DWORD bufferBytes, double bytesPerSecond,
                          uint64_t played) {
  std::lock_guard<std::mutex> hold(m_lock);
  UpdateLocked();
  buffer->AddRef();
  m_buffer = ComPtr<IDirectSoundBuffer>(buffer);
  m_bufferBytes = bufferBytes;
  m_bytesPerSecond = bytesPerSecond;
  m_played = played;
  DWORD write = 0;
  if (FAILED(buffer->GetCurrentPosition(&m_lastCursor, &write))) m_lastCursor = 0;
  // The clock goes on from where it stands, whatever count it resumes.
  m_anchor = m_last -
             static_cast<REFERENCE_TIME>(static_cast<double>(played) * 10000000.0 / bytesPerSecond);
}

void AudioTimeline::Stop() {
  std::lock_guard<std::mutex> hold(m_lock);
  UpdateLocked();
  m_buffer.Reset();
  m_played = 0;
}

uint64_t AudioTimeline::Played() {
  std::lock_guard<std::mutex> hold(m_lock);
  UpdateLocked();
  return m_played;
}

bool AudioTimeline::Playing() {
  std::lock_guard<std::mutex> hold(m_lock);
  return static_cast<bool>(m_buffer);
}

REFERENCE_TIME AudioTimeline::Now() {
  std::lock_guard<std::mutex> hold(m_lock);
  UpdateLocked();
  return m_last;
}

void AudioTimeline::UpdateLocked() {
  REFERENCE_TIME steady = SteadyClockNow();
  if (!m_started) {
    m_started = true;
    m_last = steady;
    m_lastSteady = steady;
    return;
  }
  REFERENCE_TIME next = m_last + (steady - m_lastSteady);
  DWORD play = 0;
  DWORD write = 0;
  if (m_buffer && m_bufferBytes > 0 && SUCCEEDED(m_buffer->GetCurrentPosition(&play, &write))) {
    uint64_t moved = (play + m_bufferBytes - m_lastCursor) % m_bufferBytes;
    // A cursor looked at less often than once a loop may have wrapped unseen;
    // the steady clock tells how many times. Looked at within one loop it
    // cannot have: a cursor that stalls (a device starting late, a busy
    // machine) must not be taken for one that went round, or the whole
    // buffer ahead would count as played and be silenced unheard.
    const double elapsed = static_cast<double>(steady - m_lastSteady) / 1e7;
    const double expected = elapsed * m_bytesPerSecond;
    if (expected >= m_bufferBytes) {
      double wraps = std::floor((expected - static_cast<double>(moved)) / m_bufferBytes + 0.5);
      if (wraps > 0) moved += static_cast<uint64_t>(wraps) * m_bufferBytes;
    }
    m_played += moved;
    m_lastCursor = play;
    next = m_anchor + static_cast<REFERENCE_TIME>(static_cast<double>(m_played) * 10000000.0 /
                                                  m_bytesPerSecond);
  }
  m_last = std::max(m_last, next);
  m_lastSteady = steady;
}

HRESULT CAudioClock::Init(std::shared_ptr<AudioTimeline> timeline) {
  m_timeline = std::move(timeline);
  return S_OK;
}

STDMETHODIMP CAudioClock::GetTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  *time = m_timeline->Now();
  return S_OK;
}

}  // namespace tavorin::dshow
