// The splitter's pins: the pulling input and the decoding outputs, each
// output with a delivery thread of its own.
#include <algorithm>
#include <memory>

#include "platform/dshow/SplitterFilter.h"

namespace tavorin::dshow {
namespace {

// Packets that may wait per output. Generous, so that a file whose streams
// are poorly interleaved does not starve one output while the other's queue
// is full.
constexpr size_t kVideoQueueLimit = 120;
constexpr size_t kAudioQueueLimit = 600;
constexpr LONG kVideoBuffers = 4;
constexpr LONG kAudioBuffers = 8;

}  // namespace

CSplitterInputPin::CSplitterInputPin(CSplitterFilter* filter, CCritSec* lock, HRESULT* result)
    : CBasePin(NAME("Splitter input pin"), filter, lock, result, L"Input", PINDIR_INPUT),
      m_splitter(filter) {}

CSplitterInputPin::~CSplitterInputPin() {
  if (m_reader != nullptr) m_reader->Release();
}

HRESULT CSplitterInputPin::CheckMediaType(const CMediaType* type) {
  return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT CSplitterInputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  if (m_reader != nullptr) {
    m_reader->Release();
    m_reader = nullptr;
  }
  hr = pin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&m_reader));
  return FAILED(hr) ? VFW_E_NO_TRANSPORT : S_OK;
}

HRESULT CSplitterInputPin::CompleteConnect(IPin* /*receive*/) {
  if (m_reader == nullptr) return VFW_E_NO_TRANSPORT;
  return m_splitter->OpenMovie(m_reader);
}

HRESULT CSplitterInputPin::BreakConnect() {
  m_splitter->CloseMovie();
  if (m_reader != nullptr) {
    m_reader->Release();
    m_reader = nullptr;
  }
  return S_OK;
}

CSplitterOutputPin::CSplitterOutputPin(CSplitterFilter* filter, CCritSec* lock, HRESULT* result,
                                       LPCWSTR name, const CMediaType& type,
                                       std::unique_ptr<media::CVideoDecoder> video,
                                       std::unique_ptr<media::CAudioDecoder> audio)
    : CBaseOutputPin(NAME("Splitter output pin"), filter, lock, result, name),
      m_splitter(filter),
      m_offered(type),
      m_video(std::move(video)),
      m_audio(std::move(audio)),
      m_queue(m_video ? kVideoQueueLimit : kAudioQueueLimit) {}

CSplitterOutputPin::~CSplitterOutputPin() {
  StopDelivery();
}

HRESULT CSplitterOutputPin::CheckMediaType(const CMediaType* type) {
  return type->majortype == m_offered.majortype && type->subtype == m_offered.subtype &&
                 type->formattype == m_offered.formattype && type->cbFormat == m_offered.cbFormat &&
                 std::equal(type->pbFormat, type->pbFormat + type->cbFormat, m_offered.pbFormat)
             ? S_OK
             : S_FALSE;
}

HRESULT CSplitterOutputPin::GetMediaType(int position, CMediaType* type) {
  if (position < 0 || type == nullptr) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return type->Set(m_offered);
}

HRESULT CSplitterOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES* request) {
  if (m_video) {
    request->cBuffers = std::max(request->cBuffers, kVideoBuffers);
    request->cbBuffer = std::max<LONG>(request->cbBuffer, static_cast<LONG>(m_video->FrameBytes()));
  } else {
    // A quarter of a second a buffer: decoded chunks are split to fit.
    LONG quarter = m_audio->BlockAlign() * std::max(1, m_audio->SampleRate() / 4);
    request->cBuffers = std::max(request->cBuffers, kAudioBuffers);
    request->cbBuffer = std::max(request->cbBuffer, quarter);
  }
  if (request->cbAlign <= 0) request->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual{};
  HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

bool CSplitterOutputPin::Queue(PacketQueue::Item item) {
  if (m_finished || m_stopping || !m_active) return false;
  return m_queue.Push(std::move(item));
}

void CSplitterOutputPin::StartDelivery(const Segment& segment) {
  StopDelivery();
  m_segment = segment;
  m_stopping = false;
  m_finished = false;
  m_discontinuity = true;
  m_queue.Reopen();
  m_active = true;
  if (m_video) m_video->Flush(segment.start);
  if (m_audio) m_audio->Flush(segment.start);
  m_thread = std::thread(&CSplitterOutputPin::DeliveryLoop, this);
}

void CSplitterOutputPin::StopDelivery() {
  m_stopping = true;
  m_queue.Close();
  if (m_thread.joinable()) m_thread.join();
  m_active = false;
}

bool CSplitterOutputPin::Finished() const {
  return m_finished || !m_active;
}

REFERENCE_TIME CSplitterOutputPin::StreamTime(REFERENCE_TIME mediaTime) const {
  return static_cast<REFERENCE_TIME>(static_cast<double>(mediaTime - m_segment.start) /
                                     m_segment.rate);
}

void CSplitterOutputPin::DeliveryLoop() {
  Step step = Step::Continue;
  PacketQueue::Item item;
  while (step == Step::Continue && m_queue.Pop(&item)) step = DecodeAndDeliver(item);
  m_finished = true;
  m_queue.Close();
  if (step == Step::EndOfStream) DeliverEndOfStream();
}

CSplitterOutputPin::Step CSplitterOutputPin::DecodeAndDeliver(PacketQueue::Item& item) {
  if (item.end) {
    if (m_video) m_video->SendEnd();
    if (m_audio) m_audio->SendEnd();
  } else {
    // A packet the decoder refuses is damaged; the next one may decode.
    bool accepted = m_video ? m_video->Send(item.packet) : m_audio->Send(item.packet);
    if (!accepted) return Step::Continue;
  }
  Step step = m_video ? DeliverVideo() : DeliverAudio();
  if (step == Step::Continue && item.end) return Step::EndOfStream;
  return step;
}

bool CSplitterOutputPin::PastStop(REFERENCE_TIME start) const {
  return m_segment.stopSet && start >= m_segment.stop;
}

CSplitterOutputPin::Step CSplitterOutputPin::DeliverVideo() {
  for (;;) {
    media::MediaTime start = 0;
    media::MediaTime stop = 0;
    media::DecodeStatus status = m_video->Receive(&start, &stop);
    if (status != media::DecodeStatus::Output) return Step::Continue;
    if (PastStop(start)) return Step::EndOfStream;
    IMediaSample* sample = nullptr;
    if (FAILED(GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) return Step::Abort;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    if (!m_video->CopyFrame(data, static_cast<size_t>(sample->GetSize()))) {
      sample->Release();
      continue;
    }
    sample->SetActualDataLength(static_cast<LONG>(m_video->FrameBytes()));
    Step step = DeliverSample(sample, start, stop);
    if (step != Step::Continue) return step;
  }
}

CSplitterOutputPin::Step CSplitterOutputPin::DeliverAudio() {
  const int blockAlign = m_audio->BlockAlign();
  const int rate = m_audio->SampleRate();
  for (;;) {
    media::DecodeStatus status = m_audio->Receive(m_chunk);
    if (status != media::DecodeStatus::Output) return Step::Continue;
    if (PastStop(m_chunk.start)) return Step::EndOfStream;
    int done = 0;
    while (done < m_chunk.frames) {
      IMediaSample* sample = nullptr;
      if (FAILED(GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) return Step::Abort;
      int frames = std::min(m_chunk.frames - done, sample->GetSize() / blockAlign);
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      std::copy_n(reinterpret_cast<const BYTE*>(m_chunk.samples.data()) +
                      static_cast<size_t>(done) * blockAlign,
                  static_cast<size_t>(frames) * blockAlign, data);
      sample->SetActualDataLength(frames * blockAlign);
      REFERENCE_TIME start = m_chunk.start + static_cast<REFERENCE_TIME>(done) * 10000000 / rate;
      REFERENCE_TIME stop =
          m_chunk.start + static_cast<REFERENCE_TIME>(done + frames) * 10000000 / rate;
      Step step = DeliverSample(sample, start, stop);
      if (step != Step::Continue) return step;
      done += frames;
    }
  }
}

// Hands `sample` (whose data is in place) downstream and lets go of it.
CSplitterOutputPin::Step CSplitterOutputPin::DeliverSample(IMediaSample* sample,
                                                           REFERENCE_TIME start,
                                                           REFERENCE_TIME stop) {
  REFERENCE_TIME streamStart = StreamTime(start);
  REFERENCE_TIME streamStop = std::max(StreamTime(stop), streamStart + 1);
  sample->SetTime(&streamStart, &streamStop);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(m_discontinuity ? TRUE : FALSE);
  m_discontinuity = false;
  HRESULT hr = Deliver(sample);
  sample->Release();
  if (hr == S_OK) return Step::Continue;
  // S_FALSE: the downstream filter is flushing or stopping; anything else is
  // an error the application hears of, unless we are being stopped anyway.
  if (FAILED(hr) && !m_stopping && hr != VFW_E_WRONG_STATE) {
    m_splitter->NotifyEvent(EC_ERRORABORT, hr, 0);
  }
  return Step::Abort;
}

}  // namespace tavorin::dshow
