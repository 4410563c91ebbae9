// DirectShow base classes: events on a condition variable.
#include <chrono>

#include <streams.h>

void CAMEvent::Set() {
  {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_set = true;
  }
  if (m_manualReset) {
    m_changed.notify_all();
  } else {
    m_changed.notify_one();
  }
}

void CAMEvent::Reset() {
  std::lock_guard<std::mutex> hold(m_mutex);
  m_set = false;
}

BOOL CAMEvent::Wait(DWORD milliseconds) {
  std::unique_lock<std::mutex> hold(m_mutex);
  auto isSet = [this] { return m_set; };
  if (milliseconds == INFINITE) {
    m_changed.wait(hold, isSet);
  } else if (!m_changed.wait_for(hold, std::chrono::milliseconds(milliseconds), isSet)) {
    return FALSE;
  }
  if (!m_manualReset) m_set = false;
  return TRUE;
}
