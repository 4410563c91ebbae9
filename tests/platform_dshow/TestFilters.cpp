#include "platform_dshow/TestFilters.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <cstring>

namespace tavorin::test {

// {6A0B7A0E-4C2B-4F7B-9E58-2B7C4A7D1E01}
DEFINE_GUID(CLSID_TestMemorySource, 0x6A0B7A0E, 0x4C2B, 0x4F7B, 0x9E, 0x58, 0x2B, 0x7C, 0x4A, 0x7D,
            0x1E, 0x01);
// {6A0B7A0E-4C2B-4F7B-9E58-2B7C4A7D1E02}
DEFINE_GUID(CLSID_TestRenderer, 0x6A0B7A0E, 0x4C2B, 0x4F7B, 0x9E, 0x58, 0x2B, 0x7C, 0x4A, 0x7D,
            0x1E, 0x02);

class CMemorySource::Pin : public CBasePin, public IAsyncReader {
 public:
  Pin(CMemorySource* filter, CCritSec* lock, std::vector<uint8_t> bytes)
      : CBasePin(NAME("Memory source pin"), filter, lock, nullptr, L"Output", PINDIR_OUTPUT),
        m_bytes(std::move(bytes)) {}

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IAsyncReader) return GetInterface(static_cast<IAsyncReader*>(this), object);
    return CBasePin::NonDelegatingQueryInterface(iid, object);
  }

  HRESULT CheckMediaType(const CMediaType* type) override {
    return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    type->InitMediaType();
    type->SetType(&MEDIATYPE_Stream);
    type->SetSubtype(&MEDIASUBTYPE_NULL);
    return S_OK;
  }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }

  // Only the synchronous reads are served; the splitter uses nothing else.
  STDMETHODIMP RequestAllocator(IMemAllocator*, ALLOCATOR_PROPERTIES*, IMemAllocator**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Request(IMediaSample*, DWORD_PTR) override { return E_NOTIMPL; }
  STDMETHODIMP WaitForNext(DWORD, IMediaSample**, DWORD_PTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SyncReadAligned(IMediaSample*) override { return E_NOTIMPL; }
  STDMETHODIMP SyncRead(LONGLONG position, LONG length, BYTE* buffer) override {
    if (position < 0 || length < 0) return E_INVALIDARG;

    LONGLONG size = static_cast<LONGLONG>(m_bytes.size());
    LONGLONG count = std::max<LONGLONG>(0, std::min<LONGLONG>(length, size - position));
    if (count > 0) std::memcpy(buffer, m_bytes.data() + position, static_cast<size_t>(count));
    return count == length ? S_OK : S_FALSE;
  }
  STDMETHODIMP Length(LONGLONG* total, LONGLONG* available) override {
    *total = *available = static_cast<LONGLONG>(m_bytes.size());
    return S_OK;
  }

 private:
  std::vector<uint8_t> m_bytes;
};

CMemorySource* CMemorySource::Create(std::vector<uint8_t> bytes) {
  auto* source = new CMemorySource(std::move(bytes));
  source->NonDelegatingAddRef();
  return source;
}

CMemorySource::CMemorySource(std::vector<uint8_t> bytes)
    : CBaseFilter(NAME("Memory source"), nullptr, &m_lock, CLSID_TestMemorySource),
      m_pin(new Pin(this, &m_lock, std::move(bytes))) {}

CMemorySource::~CMemorySource() = default;

CBasePin* CMemorySource::GetPin(int n) {
  return n == 0 ? m_pin.get() : nullptr;
}

bool IsRgb32Video(const CMediaType& type) {
  return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_RGB32 &&
         type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER);
}

CRecordingRenderer* CRecordingRenderer::Create(Accept accept, bool keepData) {
  HRESULT hr = S_OK;
  auto* renderer = new CRecordingRenderer(accept ? accept : IsRgb32Video, keepData, &hr);
  renderer->NonDelegatingAddRef();
  return renderer;
}

CRecordingRenderer::CRecordingRenderer(Accept accept, bool keepData, HRESULT* result)
    : CBaseVideoRenderer(CLSID_TestRenderer, NAME("Recording renderer"), nullptr, result),
      m_accept(std::move(accept)),
      m_keepData(keepData) {}

HRESULT CRecordingRenderer::CheckMediaType(const CMediaType* type) {
  return m_accept(*type) ? S_OK : E_FAIL;
}

HRESULT CRecordingRenderer::Receive(IMediaSample* sample) {
  {
    std::unique_lock<std::mutex> hold(m_recordLock);
    m_released.wait(hold, [this] { return !m_held; });
  }
  return CBaseVideoRenderer::Receive(sample);
}

void CRecordingRenderer::HoldSamples(bool held) {
  std::lock_guard<std::mutex> hold(m_recordLock);
  m_held = held;
  m_released.notify_all();
}

HRESULT CRecordingRenderer::DoRenderSample(IMediaSample* sample) {
  Record(sample, false);
  if (m_drawTime > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_drawTime));
  return S_OK;
}

void CRecordingRenderer::OnReceiveFirstSample(IMediaSample* sample) {
  Record(sample, true);
}

void CRecordingRenderer::Record(IMediaSample* sample, bool firstWhilePaused) {
  RenderedSample record;
  sample->GetTime(&record.start, &record.stop);
  record.firstWhilePaused = firstWhilePaused;
  REFERENCE_TIME now = 0;
  if (m_State == State_Running && StreamTime(&now) == S_OK) record.drawnAt = now;
  if (m_keepData) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    record.data.assign(data, data + sample->GetActualDataLength());
  }
  std::lock_guard<std::mutex> hold(m_recordLock);
  m_samples.push_back(std::move(record));
}

std::vector<RenderedSample> CRecordingRenderer::Samples() {
  std::lock_guard<std::mutex> hold(m_recordLock);
  return m_samples;
}

size_t CRecordingRenderer::SampleCount() {
  std::lock_guard<std::mutex> hold(m_recordLock);
  return m_samples.size();
}

ComPtr<IPin> FindPinOf(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(pins.ReleaseAndGetAddressOf());
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    ComPtr<IPin> held(pin);
    PIN_DIRECTION found;
    pin->QueryDirection(&found);
    if (found == direction) return held;
  }
  return nullptr;
}

}  // namespace tavorin::test
