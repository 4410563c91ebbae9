// Loudness of a playing sound for the lip-sync.
#include "scene/LipsyncMeter.h"

#include <cmath>
#include <cstdlib>
#include <new>

namespace tavorin::scene {

namespace {

// No real format comes near this: 10 ms of 8 channels at 384 kHz is 61 KB.
constexpr double kMaxWindow = 1 << 20;

// 20 log10 of the peak is raised to this many decibels at the quietest.
constexpr double kFloorDecibels = -100.0;

}  // namespace

HRESULT LipsyncMeter::Attach(IDirectSoundPlayer3* player) {
  // Held before the old one goes: it may be the same player, kept alive only
  // by this meter.
  if (player != nullptr) player->AddRef();
  ComPtr<IDirectSoundPlayer3> incoming(player);
  m_player.Reset();
  m_window.reset();
  m_windowLength = 0;
  if (!incoming) return S_OK;
  WAVEFORMATEX format = {};
  HRESULT hr = incoming->GetFormat(&format);
  if (FAILED(hr)) return hr;
  if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) return E_FAIL;
  // The window is channels × rate × 10 ms divided by the bytes per sample:
  // one window of a 16-bit stereo sound covers 441 bytes, 5 ms of it.
  // Callers have tuned their open levels against exactly that.
  const double window =
      double(format.nChannels) * format.nSamplesPerSec * 0.01 / (format.wBitsPerSample / 8);
  if (window > kMaxWindow) return E_FAIL;
  const DWORD length = DWORD(window);
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[length > 0 ? length : 1]);
  if (!buffer) return E_OUTOFMEMORY;
  m_player = std::move(incoming);
  m_window = std::move(buffer);
  m_windowLength = length;
  m_bitsPerSample = format.wBitsPerSample;
  return S_OK;
}

INT LipsyncMeter::Level() {
  if (!m_player || m_player->GetState() != kSoundPlaying || m_windowLength == 0) {
    return kSilentLevel;
  }
  DWORD written = 0;
  if (FAILED(m_player->DecodeTo(m_window.get(), m_windowLength, &written))) return kSilentLevel;
  return PeakLevel(m_window.get(), written < m_windowLength ? written : m_windowLength,
                   m_bitsPerSample);
}

INT PeakLevel(const BYTE* samples, DWORD bytes, WORD bitsPerSample) {
  int peak = 0;
  double fullScale = 0.0;
  if (bitsPerSample == 8) {
    fullScale = 128.0;
    for (DWORD i = 0; i < bytes; ++i) {
      const int magnitude = std::abs(int(samples[i]) - 128);
      if (magnitude > peak) peak = magnitude;
    }
  } else {
    fullScale = 32768.0;
    for (DWORD i = 0; i + 1 < bytes; i += 2) {
      const int value = int(SHORT(WORD(samples[i] | samples[i + 1] << 8)));
      const int magnitude = std::abs(value);
      if (magnitude > peak) peak = magnitude;
    }
  }
  if (peak == 0) return kSilentLevel;
  double decibels = 20.0 * std::log10(peak / fullScale);
  if (decibels < kFloorDecibels) decibels = kFloorDecibels;
  return INT(decibels * 100.0);
}

}  // namespace tavorin::scene
