// The lip-sync's ear: the loudness of a sound player's output over one
// 10 ms window at its play position.
#pragma once

#include <memory>

#include <comobject.h>

#include "IDirectSoundPlayer3.h"

namespace tavorin::scene {

// Hundredths of a decibel of silence, and the floor of every measurement.
constexpr INT kSilentLevel = -10000;

class LipsyncMeter {
 public:
  // Listens to `player` (holding a reference) after dropping the previous
  // one; null only drops. E_FAIL for samples other than 8- or 16-bit PCM or
  // a window too large to take, the player's GetFormat error, E_OUTOFMEMORY;
  // the meter then has no player.
  HRESULT Attach(IDirectSoundPlayer3* player);
  bool HasPlayer() const { return bool(m_player); }
  // The peak of the window at the play position: 20 log10(peak / full
  // scale) × 100, truncated, never below kSilentLevel. kSilentLevel when the
  // player is not playing or cannot decode. Allocates nothing.
  INT Level();

 private:
  ComPtr<IDirectSoundPlayer3> m_player;
  std::unique_ptr<BYTE[]> m_window;
  DWORD m_windowLength = 0;
  WORD m_bitsPerSample = 0;
};

// The level of `bytes` bytes of PCM samples: 8-bit samples are unsigned
// around 128 (the players' own silence is 0x80), 16-bit ones signed
// little-endian. A trailing partial sample is ignored.
INT PeakLevel(const BYTE* samples, DWORD bytes, WORD bitsPerSample);

}  // namespace tavorin::scene
