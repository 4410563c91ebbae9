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

namespace sound_fuzz {

class MemoryStream : public tavorin::ComObject<IReadAccesser> {
 public:
  HRESULT Init(const uint8_t* data, size_t size) {
    m_data.assign(data, data + size);
    return S_OK;
  }
  DWORD Read(void* buffer, DWORD length) override {
    size_t n = std::min<size_t>(length, m_data.size() - std::min(m_position, m_data.size()));
    if (n) std::memcpy(buffer, m_data.data() + m_position, n);
    m_position += n;
    return DWORD(n);
  }
  DWORD Seek(LONG offset, DWORD origin) override {
    LONGLONG position = Seek64(offset, origin);
    return position < 0 ? 0xFFFFFFFF : DWORD(position);
  }
  LONGLONG Seek64(LONGLONG offset, DWORD origin) override {
    LONGLONG base = origin == 0 ? 0 : origin == 1 ? LONGLONG(m_position) : LONGLONG(m_data.size());
    if (origin > 2 || offset > LONGLONG(1) << 40 || offset < -(LONGLONG(1) << 40)) return -1;
    if (base + offset < 0) return -1;
    m_position = size_t(base + offset);
    return LONGLONG(m_position);
  }
  DWORD Tell() override { return DWORD(m_position); }
  ULONGLONG Tell64() override { return m_position; }
  BOOL IsEof() override { return m_position >= m_data.size(); }

 private:
  std::vector<uint8_t> m_data;
  size_t m_position = 0;
};

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
