// What the sound fuzzers share: a byte stream over the fuzz input and one
// sound object for the whole run (its buffers are never played).
#pragma once

#include <IReadAccesser.h>
#include <comobject.h>
#include <dsound.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/support/MemoryStream.h"

namespace sound_fuzz {

using tavorin::fuzz::MemoryStream;

// The process's sound object, made headless on first use.
inline IDirectSound8* Sound() {
  static IDirectSound8* sound = [] {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    IDirectSound8* made = nullptr;
    if (FAILED(DirectSoundCreate8(nullptr, &made, nullptr))) abort();
    return made;
  }();
  return sound;
}

// Decodes windows of the player's sound at its start, middle and end, as
// the lip-sync does while a sound plays, and checks what DecodeTo reports.
inline void DecodeAround(IDirectSoundPlayer3* player) {
  static std::vector<BYTE> window(48000);
  const INT length = player->GetLength();
  for (INT at : {0, length / 2, length}) {
    if (FAILED(player->SetPosition(at))) abort();
    DWORD written = 0;
    HRESULT hr = player->DecodeTo(window.data(), DWORD(window.size()), &written);
    if (written > window.size()) abort();
    if (SUCCEEDED(hr) && hr != 0x00040001 && written != window.size()) abort();
  }
}

}  // namespace sound_fuzz
