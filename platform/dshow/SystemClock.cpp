// DirectShow's system reference clock on the C++ steady clock.
#include "platform/dshow/SystemClock.h"

#include <chrono>

namespace tavorin::dshow {

REFERENCE_TIME SteadyClockNow() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
}

STDMETHODIMP CSystemClock::GetTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  *time = SteadyClockNow();
  return S_OK;
}

}  // namespace tavorin::dshow
