// A sound player for the lip-sync tests that decodes a known square tone
// (or silence) and plays or stops when told, with no thread or sound card.
#pragma once

#include <comobject.h>

#include "IDirectSoundPlayer3.h"

namespace tavorin::test {

class TonePlayer : public ComObject<IDirectSoundPlayer3> {
 public:
  HRESULT Init(WORD bitsPerSample, WORD channels, DWORD samplesPerSecond) {
    m_format.wFormatTag = WAVE_FORMAT_PCM;
    m_format.nChannels = channels;
    m_format.nSamplesPerSec = samplesPerSecond;
    m_format.wBitsPerSample = bitsPerSample;
    m_format.nBlockAlign = WORD(channels * bitsPerSample / 8);
    m_format.nAvgBytesPerSec = m_format.nBlockAlign * samplesPerSecond;
    return S_OK;
  }

  // Peak of the square tone in the sample's own scale (0: silence).
  void SetAmplitude(int amplitude) { m_amplitude = amplitude; }
  void SetState(INT state) { m_state = state; }
  // Every later DecodeTo fails.
  void SetBroken() { m_broken = true; }
  DWORD LastDecodeLength() const { return m_lastLength; }
  int DecodeCount() const { return m_decodes; }
  ULONG References() {
    AddRef();
    return Release();
  }

  HRESULT GetFormat(WAVEFORMATEX* out) override {
    if (out == nullptr) return E_POINTER;
    *out = m_format;
    return S_OK;
  }
  HRESULT DecodeTo(void* buffer, DWORD length, DWORD* written) override {
    ++m_decodes;
    m_lastLength = length;
    if (m_broken) {
      *written = 0;
      return E_FAIL;
    }
    BYTE* bytes = static_cast<BYTE*>(buffer);
    const DWORD width = m_format.wBitsPerSample / 8;
    for (DWORD i = 0; i + width <= length; i += width) {
      const int sign = (i / width / 8) % 2 == 0 ? 1 : -1;
      if (width == 1) {
        bytes[i] = BYTE(128 + sign * (m_amplitude < 127 ? m_amplitude : 127));
      } else {
        const int value = sign > 0 ? (m_amplitude < 32767 ? m_amplitude : 32767) : -m_amplitude;
        bytes[i] = BYTE(value);
        bytes[i + 1] = BYTE(value >> 8);
      }
    }
    *written = length;
    return S_OK;
  }
  INT GetState() override { return m_state; }

  HRESULT Play(INT, INT) override { return S_OK; }
  HRESULT Pause() override { return S_OK; }
  HRESULT Stop(FLOAT) override { return S_OK; }
  HRESULT SetPosition(INT) override { return S_OK; }
  HRESULT SetMasterVolume(INT) override { return S_OK; }
  HRESULT SetVolume(INT, FLOAT) override { return S_OK; }
  HRESULT SetPan(INT, FLOAT) override { return S_OK; }
  HRESULT SetFrequency(INT, FLOAT) override { return S_OK; }
  INT GetLength() override { return 0; }
  INT GetPosition() override { return 0; }
  INT GetLoopCount() override { return 0; }
  INT GetLoopsDone() override { return 0; }
  INT GetMasterVolume() override { return 0; }
  INT GetVolume() override { return 0; }
  INT GetPan() override { return 0; }
  INT GetFrequency() override { return 1000; }
  HRESULT WaitForStreamEnd() override { return S_OK; }

 private:
  WAVEFORMATEX m_format = {};
  int m_amplitude = 32767;
  INT m_state = kSoundPlaying;
  bool m_broken = false;
  DWORD m_lastLength = 0;
  int m_decodes = 0;
};

inline ComPtr<TonePlayer> NewTonePlayer(WORD bits, WORD channels, DWORD rate) {
  TonePlayer* player = nullptr;
  CreateComObject<TonePlayer>(&player, bits, channels, rate);
  return ComPtr<TonePlayer>(player);
}

}  // namespace tavorin::test
