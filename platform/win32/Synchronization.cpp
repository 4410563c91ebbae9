// Win32 critical sections and Sleep on the C++ standard library.
#include <chrono>
#include <mutex>
#include <new>
#include <thread>

#include <windows.h>

namespace {

std::recursive_mutex* MutexOf(LPCRITICAL_SECTION section) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(section->opaque));
}

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::opaque));
static_assert(alignof(std::recursive_mutex) <= alignof(CRITICAL_SECTION));

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  if (section) new (section->opaque) std::recursive_mutex();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  if (section) MutexOf(section)->~recursive_mutex();
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  if (section) MutexOf(section)->lock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return section && MutexOf(section)->try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  if (section) MutexOf(section)->unlock();
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
