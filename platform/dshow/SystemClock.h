// The system reference clock: the steady clock in 100 ns units.
#pragma once

#include <streams.h>

#include "comobject.h"

namespace tavorin::dshow {

class CSystemClock : public ComObject<IReferenceClock> {
 public:
  HRESULT Init() { return S_OK; }
  STDMETHODIMP GetTime(REFERENCE_TIME* time) override;
};

// The steady clock now, in 100 ns units.
REFERENCE_TIME SteadyClockNow();

}  // namespace tavorin::dshow
