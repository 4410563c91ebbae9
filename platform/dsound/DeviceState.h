// What a DirectSound object shares with the buffers it created.
#pragma once

#include <atomic>

#include <windef.h>

#include "platform/dsound/WaveFormat.h"

namespace tavorin::dsound {

// Keeps the mixer's output open while the sound object or any of its
// buffers lives. The primary fields are used with the mixer lock held.
class CDeviceState {
 public:
  CDeviceState();
  ~CDeviceState();
  CDeviceState(const CDeviceState&) = delete;
  CDeviceState& operator=(const CDeviceState&) = delete;

  // False when the output could not start; the state then holds nothing.
  bool HasOutput() const { return m_hasOutput; }

  // 0 until SetCooperativeLevel.
  std::atomic<DWORD> cooperativeLevel{0};

  SampleLayout primaryLayout;
  bool primaryPlaying = false;
  LONG primaryVolume = 0;
  LONG primaryPan = 0;

 private:
  bool m_hasOutput = false;
};

}  // namespace tavorin::dsound
