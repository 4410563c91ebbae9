#include "movie/CustomSource.h"

#include <algorithm>
#include <new>

#include "movie/CheckBytes.h"

namespace tavorin::movie {
namespace {

// {AAF9CBF8-C00B-4FA8-A494-500EE0085294}
DEFINE_GUID(CLSID_CustomSource, 0xAAF9CBF8, 0xC00B, 0x4FA8, 0xA4, 0x94, 0x50, 0x0E, 0xE0, 0x08,
            0x52, 0x94);

// One second of stream time per byte, as IAsyncReader defines its times.
constexpr LONGLONG kUnitsPerByte = 10000000;

}  // namespace

CCSOutPin::CCSOutPin(CCSFilter* filter, CCritSec* lock, IReadAccesser* stream, HRESULT* result)
    : CBasePin(NAME("CustomSourceOutPin"), filter, lock, result, L"CustomSourceOutPin",
               PINDIR_OUTPUT),
      m_stream(stream) {
  m_stream->AddRef();
  m_mt.InitMediaType();
  m_mt.SetType(&MEDIATYPE_Stream);
  GUID subtype = DetectStreamSubtype(m_stream);
  m_mt.SetSubtype(&subtype);
}

CCSOutPin::~CCSOutPin() {
  std::lock_guard<std::mutex> hold(m_queueLock);
  m_queue.clear();
  m_stream->Release();
}

STDMETHODIMP CCSOutPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IAsyncReader) {
    m_asyncReaderRequested = true;
    return GetInterface(static_cast<IAsyncReader*>(this), object);
  }
  return CBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CCSOutPin::CheckMediaType(const CMediaType* type) {
  CAutoLock hold(m_pLock);
  return type->majortype == m_mt.majortype && type->subtype == m_mt.subtype ? S_OK : S_FALSE;
}

HRESULT CCSOutPin::GetMediaType(int position, CMediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (type == nullptr) return E_INVALIDARG;
  if (m_pFilter == nullptr) return E_UNEXPECTED;
  *type = m_mt;
  return S_OK;
}

HRESULT CCSOutPin::CheckConnect(IPin* pin) {
  m_asyncReaderRequested = false;
  PIN_DIRECTION direction = PINDIR_OUTPUT;
  pin->QueryDirection(&direction);
  return direction == PINDIR_OUTPUT ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CCSOutPin::CompleteConnect(IPin* receive) {
  if (!m_asyncReaderRequested) return VFW_E_NO_TRANSPORT;
  return CBasePin::CompleteConnect(receive);
}

STDMETHODIMP CCSOutPin::Connect(IPin* receive, const AM_MEDIA_TYPE* type) {
  if (m_pFilter == nullptr) return E_UNEXPECTED;
  return CBasePin::Connect(receive, type);
}

STDMETHODIMP CCSOutPin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/) {
  return E_NOTIMPL;
}

STDMETHODIMP CCSOutPin::RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                         IMemAllocator** actual) {
  if (properties == nullptr || actual == nullptr) return E_INVALIDARG;
  *actual = nullptr;
  if (properties->cbAlign == 0) properties->cbAlign = 1;
  ALLOCATOR_PROPERTIES agreed{};
  if (preferred != nullptr) {
    HRESULT hr = preferred->SetProperties(properties, &agreed);
    if (SUCCEEDED(hr)) {
      preferred->AddRef();
      *actual = preferred;
      return hr;
    }
  }
  HRESULT hr = S_OK;
  auto* made = new (std::nothrow) CMemAllocator(NAME("CustomSourceAllocator"), nullptr, &hr);
  if (made == nullptr) return E_OUTOFMEMORY;
  IMemAllocator* allocator = nullptr;
  if (FAILED(hr) || FAILED(hr = made->NonDelegatingQueryInterface(
                               IID_IMemAllocator, reinterpret_cast<void**>(&allocator)))) {
    delete made;
    return hr;
  }
  hr = allocator->SetProperties(properties, &agreed);
  if (FAILED(hr)) {
    allocator->Release();
    return hr;
  }
  *actual = allocator;
  return S_OK;
}

// Seeks and reads in one go; a position the stream cannot reach reads
// nothing rather than bytes from wherever the stream stood.
DWORD CCSOutPin::ReadAt(LONGLONG position, BYTE* buffer, LONG length) {
  std::lock_guard<std::mutex> hold(m_streamLock);
  if (length <= 0 || m_stream->Seek64(position, 0) < 0) return 0;
  return m_stream->Read(buffer, static_cast<DWORD>(length));
}

HRESULT CCSOutPin::ReadIntoSample(IMediaSample* sample) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  HRESULT hr = sample->GetTime(&start, &stop);
  if (FAILED(hr)) return hr;
  BYTE* buffer = nullptr;
  hr = sample->GetPointer(&buffer);
  if (FAILED(hr)) return hr;
  // The times are the caller's word for how much to read; the buffer's
  // size is the limit of what may be written.
  LONGLONG length = std::min<LONGLONG>((stop - start) / kUnitsPerByte, sample->GetSize());
  DWORD got =
      ReadAt(start / kUnitsPerByte, buffer, static_cast<LONG>(std::max<LONGLONG>(0, length)));
  return sample->SetActualDataLength(static_cast<LONG>(got));
}

STDMETHODIMP CCSOutPin::Request(IMediaSample* sample, DWORD_PTR user) {
  if (sample == nullptr) return E_POINTER;
  HRESULT hr = VFW_E_WRONG_STATE;
  if (!m_flushing) {
    hr = ReadIntoSample(sample);
    if (SUCCEEDED(hr)) {
      std::lock_guard<std::mutex> hold(m_queueLock);
      m_queue.emplace_back(sample, user);
      hr = S_OK;
    }
  }
  m_completion.Set();
  return hr;
}

STDMETHODIMP CCSOutPin::WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  if (user != nullptr) *user = 0;
  if (!m_completion.Wait(timeout)) return VFW_E_TIMEOUT;
  std::lock_guard<std::mutex> hold(m_queueLock);
  if (m_queue.empty()) return S_OK;
  *sample = m_queue.front().first;
  if (user != nullptr) *user = m_queue.front().second;
  m_queue.pop_front();
  if (m_queue.empty()) {
    m_completion.Reset();
  } else if (m_flushing) {
    return VFW_E_WRONG_STATE;
  }
  return S_OK;
}

STDMETHODIMP CCSOutPin::SyncReadAligned(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  HRESULT hr = ReadIntoSample(sample);
  return FAILED(hr) ? hr : S_OK;
}

STDMETHODIMP CCSOutPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
  if (buffer == nullptr && length > 0) return E_POINTER;
  ReadAt(position, buffer, length);
  return S_OK;
}

STDMETHODIMP CCSOutPin::Length(LONGLONG* total, LONGLONG* available) {
  if (total == nullptr || available == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> hold(m_streamLock);
  ULONGLONG saved = m_stream->Tell64();
  LONGLONG size = m_stream->Seek64(0, 2);
  m_stream->Seek64(static_cast<LONGLONG>(saved), 0);
  *total = *available = size < 0 ? 0 : size;
  return S_OK;
}

STDMETHODIMP CCSOutPin::BeginFlush() {
  m_flushing = true;
  m_completion.Set();
  return S_OK;
}

STDMETHODIMP CCSOutPin::EndFlush() {
  std::lock_guard<std::mutex> hold(m_queueLock);
  m_queue.clear();
  m_flushing = false;
  m_completion.Reset();
  return S_OK;
}

CCSFilter::CCSFilter(HRESULT* result)
    : CBaseFilter(NAME("CustomSourceFilter"), nullptr, &m_lock, CLSID_CustomSource, result) {}

CCSFilter::~CCSFilter() = default;

HRESULT CCSFilter::Init(IReadAccesser* stream) {
  if (stream == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  m_pin.reset(new (std::nothrow) CCSOutPin(this, &m_lock, stream, &hr));
  if (!m_pin) return E_OUTOFMEMORY;
  return hr;
}

CBasePin* CCSFilter::GetPin(int n) {
  return n == 0 ? m_pin.get() : nullptr;
}

}  // namespace tavorin::movie

HRESULT CreateCustomSource(IBaseFilter** out, IReadAccesser* stream) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  HRESULT hr = S_OK;
  auto* filter = new (std::nothrow) tavorin::movie::CCSFilter(&hr);
  if (filter == nullptr) return E_OUTOFMEMORY;
  filter->NonDelegatingAddRef();
  if (SUCCEEDED(hr)) hr = filter->Init(stream);
  if (FAILED(hr)) {
    filter->NonDelegatingRelease();
    return hr;
  }
  *out = filter;
  return S_OK;
}
