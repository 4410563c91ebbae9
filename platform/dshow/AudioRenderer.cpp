// The audio renderer: PCM samples into a looping DirectSound buffer.
#include "platform/dshow/AudioRenderer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace tavorin::dshow {
namespace {

// How far ahead of its time a sample may be written, how far ahead of the
// play cursor writing starts after the buffer ran dry, and how much of the
// buffer always stays free ahead of the data. The buffer holds a second;
// together they stay well inside it.
constexpr REFERENCE_TIME kWriteAhead = 5000000;  // 500 ms
constexpr double kRestartLeadSeconds = 0.02;
constexpr double kSilenceAheadSeconds = 0.1;
constexpr auto kRoomPoll = std::chrono::milliseconds(5);

}  // namespace

CUnknown* CAudioRenderer::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* renderer = new (std::nothrow) CAudioRenderer(outer, result);
  if (renderer == nullptr && result != nullptr) *result = E_OUTOFMEMORY;
  return renderer;
}

CAudioRenderer::CAudioRenderer(LPUNKNOWN outer, HRESULT* result)
    : CBaseRenderer(CLSID_DSoundRender, NAME("Audio Renderer"), outer, result) {
  HRESULT hr = CreateComObject<CAudioClock>(m_clock.ReleaseAndGetAddressOf(), m_timeline);
  if (FAILED(hr) && result != nullptr) *result = hr;
}

CAudioRenderer::~CAudioRenderer() {
  Stop();
}

STDMETHODIMP CAudioRenderer::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IBasicAudio) return GetInterface(static_cast<IBasicAudio*>(this), object);
  if (iid == IID_IReferenceClock && m_clock) return GetInterface(m_clock.Get(), object);
  return CBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

HRESULT CAudioRenderer::CheckMediaType(const CMediaType* type) {
  if (type == nullptr) return E_POINTER;
  if (type->majortype != MEDIATYPE_Audio || type->subtype != MEDIASUBTYPE_PCM ||
      type->formattype != FORMAT_WaveFormatEx || type->cbFormat < sizeof(WAVEFORMATEX)) {
    return E_INVALIDARG;
  }
  const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
  bool supported = format->wFormatTag == WAVE_FORMAT_PCM &&
                   (format->wBitsPerSample == 8 || format->wBitsPerSample == 16) &&
                   (format->nChannels == 1 || format->nChannels == 2) &&
                   format->nSamplesPerSec >= 100 && format->nSamplesPerSec <= 200000 &&
                   format->nBlockAlign == format->nChannels * format->wBitsPerSample / 8;
  return supported ? S_OK : VFW_E_UNSUPPORTED_AUDIO;
}

HRESULT CAudioRenderer::SetMediaType(const CMediaType* type) {
  std::memcpy(&m_format, type->pbFormat, sizeof(WAVEFORMATEX));
  m_format.cbSize = 0;
  m_format.nAvgBytesPerSec = m_format.nSamplesPerSec * m_format.nBlockAlign;
  return S_OK;
}

HRESULT CAudioRenderer::CreateBuffer() {
  if (!m_sound) {
    HRESULT hr = DirectSoundCreate8(nullptr, m_sound.ReleaseAndGetAddressOf(), nullptr);
    if (FAILED(hr)) return VFW_E_NO_AUDIO_HARDWARE;
    m_sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
  }
  DWORD bytes = m_format.nAvgBytesPerSec;
  bytes -= bytes % m_format.nBlockAlign;
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY |
                 DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
  desc.dwBufferBytes = bytes;
  desc.lpwfxFormat = &m_format;
  ComPtr<IDirectSoundBuffer> buffer;
  HRESULT hr = m_sound->CreateSoundBuffer(&desc, buffer.ReleaseAndGetAddressOf(), nullptr);
  if (FAILED(hr)) return hr;
  buffer->SetVolume(m_volume);
  buffer->SetPan(m_balance);
  std::lock_guard<std::mutex> hold(m_bufferLock);
  m_buffer = buffer;
  m_bufferBytes = bytes;
  m_written = 0;
  m_pausedAt.reset();
  return S_OK;
}

HRESULT CAudioRenderer::OnStartStreaming() {
  m_giveUp = false;
  HRESULT hr = CreateBuffer();
  // Without a sound device the stream still has to complete; the samples are
  // then only paced by the clock.
  if (FAILED(hr)) m_buffer.Reset();
  return S_OK;
}

HRESULT CAudioRenderer::OnStopStreaming() {
  m_timeline->Stop();
  std::lock_guard<std::mutex> hold(m_bufferLock);
  if (m_buffer) m_buffer->Stop();
  m_buffer.Reset();
  m_pausedAt.reset();
  return S_OK;
}

STDMETHODIMP CAudioRenderer::Stop() {
  m_giveUp = true;
  return CBaseRenderer::Stop();
}

STDMETHODIMP CAudioRenderer::Pause() {
  CAutoLock hold(&m_InterfaceLock);
  if (m_State == State_Running) {
    std::lock_guard<std::mutex> buffer(m_bufferLock);
    if (m_buffer) {
      // Stopped first, so the count taken is where the cursor rests. A
      // buffer the end of the stream stopped has nothing left to play on.
      m_buffer->Stop();
      if (m_timeline->Playing()) m_pausedAt = m_timeline->Played();
    }
    m_timeline->Stop();
  }
  return CBaseRenderer::Pause();
}

STDMETHODIMP CAudioRenderer::Run(REFERENCE_TIME start) {
  CAutoLock hold(&m_InterfaceLock);
  if (m_State == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  // The buffer is rewound and silenced before the state turns to running:
  // from then on the streaming thread writes, and a rewind after its first
  // writes would wipe them.
  StartPlaying();
  return CBaseRenderer::Run(start);
}

void CAudioRenderer::StartPlaying() {
  std::lock_guard<std::mutex> hold(m_bufferLock);
  if (!m_buffer) return;
  double rate = m_pInputPin->CurrentRate() > 0 ? m_pInputPin->CurrentRate() : 1.0;
  DWORD frequency = static_cast<DWORD>(m_format.nSamplesPerSec * rate + 0.5);
  m_buffer->SetFrequency(std::clamp<DWORD>(frequency, 100, 200000));
  // After a pause the cursor plays on through what was written ahead of it.
  // Otherwise positions count from the buffer's start, so playing starts
  // there on silence.
  uint64_t played = m_pausedAt.value_or(0);
  if (!m_pausedAt) {
    m_buffer->SetCurrentPosition(0);
    WriteAt(0, nullptr, m_bufferBytes);
    m_written = 0;
  }
  m_pausedAt.reset();
  m_buffer->Play(0, 0, DSBPLAY_LOOPING);
  m_timeline->Start(m_buffer.Get(), m_bufferBytes, m_format.nAvgBytesPerSec * rate, played);
}

HRESULT CAudioRenderer::ShouldDrawSampleNow(IMediaSample* /*sample*/, REFERENCE_TIME start,
                                            REFERENCE_TIME /*stop*/, REFERENCE_TIME now) {
  return now >= start - kWriteAhead ? S_OK : S_FALSE;
}

HRESULT CAudioRenderer::DoRenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  LONG length = sample->GetActualDataLength();
  if (length <= 0) return S_OK;
  WriteToBuffer(data, static_cast<DWORD>(length));
  return S_OK;
}

bool CAudioRenderer::WriteToBuffer(const BYTE* data, DWORD bytes) {
  const DWORD blockAlign = std::max<DWORD>(1, m_format.nBlockAlign);
  while (bytes > 0) {
    if (m_giveUp) return false;
    std::unique_lock<std::mutex> hold(m_bufferLock);
    if (!m_buffer) return true;
    uint64_t played = m_timeline->Played();
    auto lead = static_cast<uint64_t>(m_format.nAvgBytesPerSec * kRestartLeadSeconds);
    lead -= lead % blockAlign;
    if (m_written < played + lead) m_written = played + lead;
    // Room to keep a little silence between the data and the cursor's reach.
    auto silence = static_cast<uint64_t>(m_format.nAvgBytesPerSec * kSilenceAheadSeconds);
    uint64_t ahead = m_written - played;
    uint64_t room = m_bufferBytes > ahead + silence ? m_bufferBytes - ahead - silence : 0;
    room -= room % blockAlign;
    if (room == 0) {
      hold.unlock();
      std::this_thread::sleep_for(kRoomPoll);
      continue;
    }
    DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(room, bytes));
    WriteAt(m_written, data, chunk);
    m_written += chunk;
    ClearAhead(played);
    data += chunk;
    bytes -= chunk;
  }
  return true;
}

void CAudioRenderer::WriteAt(uint64_t position, const BYTE* data, DWORD bytes) {
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  DWORD offset = static_cast<DWORD>(position % m_bufferBytes);
  if (FAILED(m_buffer->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0))) return;
  if (data != nullptr) {
    std::memcpy(first, data, firstBytes);
    if (second != nullptr) std::memcpy(second, data + firstBytes, secondBytes);
  } else {
    // Silence: 0 for 16-bit samples, 0x80 for unsigned 8-bit ones.
    int value = m_format.wBitsPerSample == 8 ? 0x80 : 0;
    std::memset(first, value, firstBytes);
    if (second != nullptr) std::memset(second, value, secondBytes);
  }
  m_buffer->Unlock(first, firstBytes, second, secondBytes);
}

void CAudioRenderer::ClearAhead(uint64_t played) {
  // Everything the cursor can reach before our next write is silenced, so a
  // stream that pauses for a while, or ends, never replays a loop-old sound.
  uint64_t reach = played + m_bufferBytes;
  if (reach <= m_written) return;
  auto bytes = static_cast<DWORD>(reach - m_written);
  bytes -= bytes % std::max<DWORD>(1, m_format.nBlockAlign);
  if (bytes > 0) WriteAt(m_written, nullptr, bytes);
}

HRESULT CAudioRenderer::EndOfStream() {
  HRESULT hr = CBaseRenderer::EndOfStream();
  bool ended = false;
  {
    std::lock_guard<std::mutex> schedule(m_schedule);
    ended = m_bEOS && m_State == State_Running;
  }
  if (ended) {
    // The last sample has played: the buffer stops, the clock runs on.
    std::lock_guard<std::mutex> hold(m_bufferLock);
    if (m_buffer) m_buffer->Stop();
    m_timeline->Stop();
    m_pausedAt.reset();
  }
  return hr;
}

HRESULT CAudioRenderer::BeginFlush() {
  m_giveUp = true;
  HRESULT hr = CBaseRenderer::BeginFlush();
  std::lock_guard<std::mutex> hold(m_bufferLock);
  if (m_buffer) {
    // What was queued belongs to the old position.
    uint64_t played = m_timeline->Played();
    m_written = played;
    WriteAt(m_written, nullptr, m_bufferBytes);
    m_pausedAt.reset();
  }
  return hr;
}

HRESULT CAudioRenderer::EndFlush() {
  HRESULT hr = CBaseRenderer::EndFlush();
  m_giveUp = false;
  return hr;
}

STDMETHODIMP CAudioRenderer::put_Volume(LONG volume) {
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return E_INVALIDARG;
  m_volume = volume;
  std::lock_guard<std::mutex> hold(m_bufferLock);
  if (m_buffer) m_buffer->SetVolume(volume);
  return S_OK;
}

STDMETHODIMP CAudioRenderer::get_Volume(LONG* volume) {
  if (volume == nullptr) return E_POINTER;
  *volume = m_volume;
  return S_OK;
}

STDMETHODIMP CAudioRenderer::put_Balance(LONG balance) {
  if (balance < DSBPAN_LEFT || balance > DSBPAN_RIGHT) return E_INVALIDARG;
  m_balance = balance;
  std::lock_guard<std::mutex> hold(m_bufferLock);
  if (m_buffer) m_buffer->SetPan(balance);
  return S_OK;
}

STDMETHODIMP CAudioRenderer::get_Balance(LONG* balance) {
  if (balance == nullptr) return E_POINTER;
  *balance = m_balance;
  return S_OK;
}

}  // namespace tavorin::dshow
