#include "sound/DirectSoundPlayerWave3.h"

#include <algorithm>

#include "sound/WaveParser.h"

namespace tavorin::sound {

CDirectSoundPlayerWave3::~CDirectSoundPlayerWave3() {
  EndStreaming();
  if (m_source) m_source->Release();
}

HRESULT CDirectSoundPlayerWave3::Init(const char* name, IReadAccesser* source,
                                      IDirectSound8* sound) {
  if (source != nullptr) {
    source->AddRef();
    m_source = source;
  } else {
    HRESULT hr = OpenReadAccesser(&m_source, name);
    if (FAILED(hr)) return hr;
  }
  WaveLayout layout;
  if (FAILED(ParseWave(m_source, &layout))) return E_FAIL;
  m_dataStart = layout.dataStart;
  m_dataSize = layout.dataSize;
  m_bytesPerFrame = layout.format.nBlockAlign;
  double seconds = double(m_dataSize) / (double(m_bytesPerFrame) * layout.format.nSamplesPerSec);
  INT length = static_cast<INT>(std::min(seconds * 1000.0, 2147483647.0));
  if (FAILED(SeekFrame(0))) return E_FAIL;
  return CreateBuffer(sound, layout.format, length);
}

HRESULT CDirectSoundPlayerWave3::ReadSource(void* buffer, DWORD length, DWORD* got) {
  ULONGLONG end = m_dataStart + m_dataSize;
  ULONGLONG want = std::min<ULONGLONG>(length, end > m_offset ? end - m_offset : 0);
  *got = want == 0 ? 0 : m_source->Read(buffer, DWORD(want));
  m_offset += *got;
  // A stream that delivers less than the data chunk promised has ended.
  if (*got < want) m_dataSize = m_offset - m_dataStart;
  return S_OK;
}

HRESULT CDirectSoundPlayerWave3::SeekFrame(ULONGLONG frame) {
  ULONGLONG offset = m_dataStart + std::min(frame * m_bytesPerFrame, m_dataSize);
  if (m_source->Seek64(LONGLONG(offset), FILE_BEGIN) < 0) return E_FAIL;
  m_offset = offset;
  return S_OK;
}

ULONGLONG CDirectSoundPlayerWave3::TellFrame() {
  return (m_offset - m_dataStart) / m_bytesPerFrame;
}

}  // namespace tavorin::sound
