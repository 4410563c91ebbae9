// Windows multimedia millisecond timer on std::chrono::steady_clock, with a
// manual clock for tests.
#include <atomic>
#include <chrono>

#include <mmsystem.h>
#include <platform_test_win32.h>

namespace {

std::atomic<bool> g_manual{false};
std::atomic<DWORD> g_manualTime{0};

}  // namespace

DWORD timeGetTime() {
  if (g_manual.load(std::memory_order_acquire)) return g_manualTime.load();
  auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
  return static_cast<DWORD>(static_cast<uint64_t>(milliseconds));
}

MMRESULT timeBeginPeriod(UINT period) {
  return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
  return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

namespace tavorin::test {

void SetManualTime(DWORD milliseconds) {
  g_manualTime.store(milliseconds);
  g_manual.store(true, std::memory_order_release);
}

void AdvanceManualTime(DWORD milliseconds) {
  if (!g_manual.load(std::memory_order_acquire)) SetManualTime(timeGetTime());
  // Unsigned arithmetic wraps at 32 bits, as the real counter does.
  g_manualTime.fetch_add(milliseconds);
}

void UseRealTime() {
  g_manual.store(false, std::memory_order_release);
}

}  // namespace tavorin::test
