// The splitter and decoder filter: the movie engine behind a DirectShow
// filter, with a demux thread feeding the outputs' delivery threads.
#include "platform/dshow/SplitterFilter.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/dshow/MediaTime.h"

namespace tavorin::dshow {
namespace {

CMediaType VideoType(const media::CVideoDecoder& decoder, media::MediaTime frameDuration) {
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&MEDIASUBTYPE_RGB32);
  type.SetFormatType(&FORMAT_VideoInfo);
  type.SetSampleSize(static_cast<ULONG>(decoder.FrameBytes()));
  type.SetTemporalCompression(FALSE);
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
  if (info == nullptr) return type;
  info->rcSource = {0, 0, decoder.Width(), decoder.Height()};
  info->rcTarget = info->rcSource;
  info->AvgTimePerFrame = frameDuration;
  info->dwBitRate = static_cast<DWORD>(std::min<int64_t>(
      0xFFFFFFFF, frameDuration > 0
                      ? static_cast<int64_t>(decoder.FrameBytes()) * 8 * 10000000 / frameDuration
                      : 0));
  BITMAPINFOHEADER& header = info->bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = decoder.Width();
  // Positive: rows bottom-up, as the decoder writes them.
  header.biHeight = decoder.Height();
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(decoder.FrameBytes());
  return type;
}

CMediaType AudioType(const media::CAudioDecoder& decoder) {
  CMediaType type(&MEDIATYPE_Audio);
  type.SetSubtype(&MEDIASUBTYPE_PCM);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  type.SetSampleSize(static_cast<ULONG>(decoder.BlockAlign()));
  auto* format = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
  if (format == nullptr) return type;
  format->wFormatTag = WAVE_FORMAT_PCM;
  format->nChannels = static_cast<WORD>(decoder.Channels());
  format->nSamplesPerSec = static_cast<DWORD>(decoder.SampleRate());
  format->nBlockAlign = static_cast<WORD>(decoder.BlockAlign());
  format->nAvgBytesPerSec = format->nSamplesPerSec * format->nBlockAlign;
  format->wBitsPerSample = 16;
  format->cbSize = 0;
  return type;
}

// The movie engine reads through the upstream pin's synchronous reads,
// never past the length the pin reports.
media::ByteSource ReaderSource(IAsyncReader* reader, LONGLONG total) {
  reader->AddRef();
  std::shared_ptr<IAsyncReader> held(reader, [](IAsyncReader* r) { r->Release(); });
  media::ByteSource source;
  source.length = total;
  source.readAt = [held, total](int64_t offset, void* buffer, int size) -> int {
    if (offset < 0 || size < 0) return -1;
    if (offset >= total) return 0;
    LONG count = static_cast<LONG>(std::min<int64_t>(size, total - offset));
    HRESULT hr = held->SyncRead(offset, count, static_cast<BYTE*>(buffer));
    return FAILED(hr) ? -1 : count;
  };
  return source;
}

}  // namespace

CUnknown* CSplitterFilter::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* filter = new (std::nothrow) CSplitterFilter(outer, result);
  if (filter == nullptr && result != nullptr) *result = E_OUTOFMEMORY;
  return filter;
}

CSplitterFilter::CSplitterFilter(LPUNKNOWN outer, HRESULT* result)
    : CBaseFilter(NAME("Splitter"), outer, &m_lock, CLSID_MovieSplitter, result) {
  m_input.reset(new (std::nothrow) CSplitterInputPin(this, &m_lock, result));
  if (!m_input && result != nullptr) *result = E_OUTOFMEMORY;
}

CSplitterFilter::~CSplitterFilter() {
  StopStreaming();
  m_outputs.clear();
  m_retired.clear();
  m_input.reset();
}

STDMETHODIMP CSplitterFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

int CSplitterFilter::GetPinCount() {
  return 1 + static_cast<int>(m_outputs.size());
}

CBasePin* CSplitterFilter::GetPin(int n) {
  if (n == 0) return m_input.get();
  if (n < 0 || n > static_cast<int>(m_outputs.size())) return nullptr;
  return m_outputs[n - 1].get();
}

HRESULT CSplitterFilter::OpenMovie(IAsyncReader* reader) {
  CAutoLock hold(&m_lock);
  CloseMovie();
  LONGLONG total = 0;
  LONGLONG available = 0;
  if (FAILED(reader->Length(&total, &available)) || total <= 0) return VFW_E_FILE_TOO_SHORT;
  std::string error;
  m_file = media::CMediaFile::Open(ReaderSource(reader, total), &error);
  if (!m_file) return VFW_E_UNSUPPORTED_STREAM;
  m_duration = std::max<media::MediaTime>(0, m_file->Duration());
  m_segment = Segment{0, m_duration, false, 1.0};
  HRESULT hr = S_OK;
  if (m_file->Video().present) {
    if (auto decoder = m_file->CreateVideoDecoder(&error)) {
      CMediaType type = VideoType(*decoder, m_file->Video().frameDuration);
      m_outputs.push_back(std::make_unique<CSplitterOutputPin>(this, &m_lock, &hr, L"Video", type,
                                                               std::move(decoder), nullptr));
    }
  }
  if (m_file->Audio().present) {
    if (auto decoder = m_file->CreateAudioDecoder(&error)) {
      CMediaType type = AudioType(*decoder);
      m_outputs.push_back(std::make_unique<CSplitterOutputPin>(this, &m_lock, &hr, L"Audio", type,
                                                               nullptr, std::move(decoder)));
    }
  }
  IncrementPinVersion();
  if (m_outputs.empty() || FAILED(hr)) {
    CloseMovie();
    return VFW_E_UNSUPPORTED_STREAM;
  }
  return S_OK;
}

void CSplitterFilter::CloseMovie() {
  CAutoLock hold(&m_lock);
  for (auto& output : m_outputs) {
    if (IPin* other = output->GetConnected()) {
      other->AddRef();
      other->Disconnect();
      output->Disconnect();
      other->Release();
    }
    m_retired.push_back(std::move(output));
  }
  if (!m_outputs.empty()) IncrementPinVersion();
  m_outputs.clear();
  m_file.reset();
  m_duration = 0;
}

STDMETHODIMP CSplitterFilter::Pause() {
  CAutoLock hold(&m_lock);
  bool wasStopped = m_State == State_Stopped;
  HRESULT hr = CBaseFilter::Pause();
  if (SUCCEEDED(hr) && wasStopped) StartStreaming();
  return hr;
}

STDMETHODIMP CSplitterFilter::Stop() {
  CAutoLock hold(&m_lock);
  if (m_State == State_Stopped) return S_OK;
  m_stopDemux = true;
  if (m_file) m_file->Abort();
  // Decommitting the allocators frees delivery threads waiting for a buffer.
  HRESULT hr = CBaseFilter::Stop();
  StopStreaming();
  return hr;
}

void CSplitterFilter::StartStreaming() {
  if (!m_file) return;
  m_file->ClearAbort();
  m_file->Seek(m_segment.start);
  for (auto& output : m_outputs) {
    if (!output->IsConnected()) continue;
    output->DeliverNewSegment(m_segment.start, m_segment.stop, m_segment.rate);
    output->StartDelivery(m_segment);
  }
  m_stopDemux = false;
  m_demux = std::thread(&CSplitterFilter::DemuxLoop, this);
}

void CSplitterFilter::StopStreaming() {
  m_stopDemux = true;
  if (m_file) m_file->Abort();
  for (auto& output : m_outputs) output->StopDelivery();
  if (m_demux.joinable()) m_demux.join();
  if (m_file) m_file->ClearAbort();
}

void CSplitterFilter::DemuxLoop() {
  std::vector<CSplitterOutputPin*> video;
  std::vector<CSplitterOutputPin*> audio;
  for (auto& output : m_outputs) {
    if (!output->IsConnected()) continue;
    (output->IsVideo() ? video : audio).push_back(output.get());
  }
  auto allFinished = [&] {
    return std::all_of(video.begin(), video.end(), [](auto* o) { return o->Finished(); }) &&
           std::all_of(audio.begin(), audio.end(), [](auto* o) { return o->Finished(); });
  };
  while (!m_stopDemux && !allFinished()) {
    PacketQueue::Item item;
    media::PacketStream stream = m_file->ReadPacket(item.packet);
    if (stream != media::PacketStream::Video && stream != media::PacketStream::Audio) {
      // The end of the data, or data too damaged to go on: every output
      // finishes what it holds.
      if (m_stopDemux) return;
      for (auto* output : video) output->Queue(PacketQueue::Item{{}, true});
      for (auto* output : audio) output->Queue(PacketQueue::Item{{}, true});
      return;
    }
    auto& outputs = stream == media::PacketStream::Video ? video : audio;
    if (!outputs.empty()) outputs.front()->Queue(std::move(item));
  }
}

HRESULT CSplitterFilter::SeekWhileActive() {
  m_stopDemux = true;
  if (m_file) m_file->Abort();
  for (auto& output : m_outputs) {
    if (output->IsConnected()) output->DeliverBeginFlush();
  }
  StopStreaming();
  for (auto& output : m_outputs) {
    if (output->IsConnected()) output->DeliverEndFlush();
  }
  StartStreaming();
  return S_OK;
}

STDMETHODIMP CSplitterFilter::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                  AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                  AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
  return S_OK;
}

STDMETHODIMP CSplitterFilter::CheckCapabilities(DWORD* capabilities) {
  DWORD offered = 0;
  if (capabilities != nullptr) GetCapabilities(&offered);
  return media_time::CheckCapabilities(offered, capabilities);
}

STDMETHODIMP CSplitterFilter::IsFormatSupported(const GUID* format) {
  return media_time::IsSupported(format);
}

STDMETHODIMP CSplitterFilter::QueryPreferredFormat(GUID* format) {
  return media_time::Preferred(format);
}

STDMETHODIMP CSplitterFilter::GetTimeFormat(GUID* format) {
  return QueryPreferredFormat(format);
}

STDMETHODIMP CSplitterFilter::IsUsingTimeFormat(const GUID* format) {
  return media_time::IsSupported(format);
}

STDMETHODIMP CSplitterFilter::SetTimeFormat(const GUID* format) {
  return media_time::Set(format);
}

STDMETHODIMP CSplitterFilter::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  CAutoLock hold(&m_lock);
  if (!m_file) return VFW_E_NOT_CONNECTED;
  *duration = m_duration;
  return S_OK;
}

STDMETHODIMP CSplitterFilter::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  CAutoLock hold(&m_lock);
  if (!m_file) return VFW_E_NOT_CONNECTED;
  *stop = m_segment.stop;
  return S_OK;
}

STDMETHODIMP CSplitterFilter::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  CAutoLock hold(&m_lock);
  if (!m_file) return VFW_E_NOT_CONNECTED;
  *current = m_segment.start;
  return S_OK;
}

STDMETHODIMP CSplitterFilter::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                                LONGLONG source, const GUID* sourceFormat) {
  return media_time::Convert(target, targetFormat, source, sourceFormat);
}

STDMETHODIMP CSplitterFilter::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) {
  DWORD currentMode = currentFlags & AM_SEEKING_PositioningBitsMask;
  DWORD stopMode = stopFlags & AM_SEEKING_PositioningBitsMask;
  if ((currentMode != AM_SEEKING_NoPositioning && current == nullptr) ||
      (stopMode != AM_SEEKING_NoPositioning && stop == nullptr)) {
    return E_POINTER;
  }
  CAutoLock hold(&m_lock);
  if (!m_file) return VFW_E_NOT_CONNECTED;
  if (stopMode == AM_SEEKING_AbsolutePositioning) m_segment.stop = *stop;
  if (stopMode == AM_SEEKING_RelativePositioning) m_segment.stop += *stop;
  if (stopMode != AM_SEEKING_NoPositioning) m_segment.stopSet = true;
  if (currentMode == AM_SEEKING_NoPositioning) return S_OK;
  LONGLONG target =
      currentMode == AM_SEEKING_AbsolutePositioning ? *current : m_segment.start + *current;
  m_segment.start = std::max<LONGLONG>(0, target);
  if (m_State != State_Stopped) return SeekWhileActive();
  return S_OK;
}

STDMETHODIMP CSplitterFilter::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current != nullptr) {
    HRESULT hr = GetCurrentPosition(current);
    if (FAILED(hr)) return hr;
  }
  return stop != nullptr ? GetStopPosition(stop) : S_OK;
}

STDMETHODIMP CSplitterFilter::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  if (earliest != nullptr) *earliest = 0;
  return latest != nullptr ? GetDuration(latest) : S_OK;
}

STDMETHODIMP CSplitterFilter::SetRate(double rate) {
  if (!(rate > 0.0)) return E_INVALIDARG;
  CAutoLock hold(&m_lock);
  // Takes effect with the next segment (the graph starts one at once).
  m_segment.rate = rate;
  return S_OK;
}

STDMETHODIMP CSplitterFilter::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  CAutoLock hold(&m_lock);
  *rate = m_segment.rate;
  return S_OK;
}

STDMETHODIMP CSplitterFilter::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

}  // namespace tavorin::dshow
