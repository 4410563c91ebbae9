// Base classes: locks and events.
#pragma once

#include <condition_variable>
#include <mutex>

#include <windows.h>

// A recursive lock, as a critical section is.
class CCritSec {
 public:
  CCritSec() = default;
  CCritSec(const CCritSec&) = delete;
  CCritSec& operator=(const CCritSec&) = delete;
  void Lock() { m_mutex.lock(); }
  void Unlock() { m_mutex.unlock(); }

 private:
  std::recursive_mutex m_mutex;
};

// Holds a CCritSec for its scope.
class CAutoLock {
 public:
  explicit CAutoLock(CCritSec* lock) : m_lock(lock) { m_lock->Lock(); }
  ~CAutoLock() { m_lock->Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CCritSec* m_lock;
};

// An event: manual-reset events stay set until Reset; auto-reset events let
// one Wait through and reset themselves. Any thread.
class CAMEvent {
 public:
  explicit CAMEvent(BOOL manualReset = FALSE) : m_manualReset(manualReset != FALSE) {}
  CAMEvent(const CAMEvent&) = delete;
  CAMEvent& operator=(const CAMEvent&) = delete;

  void Set();
  void Reset();
  // TRUE when the event was (or became) set within `milliseconds`
  // (INFINITE waits for ever).
  BOOL Wait(DWORD milliseconds = INFINITE);
  // Wait(0).
  BOOL Check() { return Wait(0); }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_manualReset;
  bool m_set = false;
};
