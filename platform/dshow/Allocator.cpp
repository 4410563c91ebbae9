// DirectShow base classes: sample pools with commit and decommit.
#include <streams.h>

CBaseAllocator::CBaseAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result)
    : CUnknown(name, outer, result) {}

CBaseAllocator::~CBaseAllocator() = default;

STDMETHODIMP CBaseAllocator::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

STDMETHODIMP CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES* request,
                                           ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr || actual == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_bCommitted) return VFW_E_ALREADY_COMMITTED;
  if (m_lAllocated != static_cast<LONG>(m_lFree.size())) return VFW_E_BUFFERS_OUTSTANDING;
  if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) {
    return E_INVALIDARG;
  }
  if (request->cbAlign <= 0 || (request->cbAlign & (request->cbAlign - 1)) != 0) {
    return VFW_E_BADALIGN;
  }
  m_lCount = request->cBuffers;
  m_lSize = request->cbBuffer;
  m_lAlignment = request->cbAlign;
  m_lPrefix = request->cbPrefix;
  m_bChanged = true;
  *actual = *request;
  return S_OK;
}

STDMETHODIMP CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
  if (props == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> hold(m_lock);
  props->cBuffers = m_lCount;
  props->cbBuffer = m_lSize;
  props->cbAlign = m_lAlignment;
  props->cbPrefix = m_lPrefix;
  return S_OK;
}

STDMETHODIMP CBaseAllocator::Commit() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_bCommitted) return S_OK;
  // A decommit still waiting for samples is simply called off.
  m_bDecommitInProgress = false;
  if (m_lAllocated == 0 || m_bChanged) {
    HRESULT hr = Alloc();
    if (FAILED(hr)) return hr;
  }
  m_bCommitted = true;
  return S_OK;
}

STDMETHODIMP CBaseAllocator::Decommit() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_bCommitted) return S_OK;
  m_bCommitted = false;
  if (m_lAllocated == static_cast<LONG>(m_lFree.size())) {
    Free();
  } else {
    m_bDecommitInProgress = true;
  }
  m_sampleFree.notify_all();
  return S_OK;
}

HRESULT CBaseAllocator::Alloc() {
  if (m_lCount <= 0 || m_lSize <= 0 || m_lAlignment <= 0) return VFW_E_SIZENOTSET;
  m_bChanged = false;
  return S_OK;
}

STDMETHODIMP CBaseAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                       REFERENCE_TIME* stop, DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  CMediaSample* taken = nullptr;
  {
    std::unique_lock<std::mutex> hold(m_lock);
    for (;;) {
      if (!m_bCommitted) return VFW_E_NOT_COMMITTED;
      if (!m_lFree.empty()) break;
      if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
      m_sampleFree.wait(hold);
    }
    taken = m_lFree.back();
    m_lFree.pop_back();
    taken->m_cRef = 1;
  }
  // An outstanding sample keeps its allocator alive.
  NonDelegatingAddRef();
  if (start != nullptr) taken->SetTime(start, stop);
  *sample = taken;
  return S_OK;
}

STDMETHODIMP CBaseAllocator::ReleaseBuffer(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_lFree.push_back(static_cast<CMediaSample*>(sample));
    if (m_bDecommitInProgress && m_lAllocated == static_cast<LONG>(m_lFree.size())) {
      m_bDecommitInProgress = false;
      Free();
    }
    m_sampleFree.notify_one();
  }
  NonDelegatingRelease();
  return S_OK;
}

CMemAllocator::CMemAllocator(LPCTSTR name, LPUNKNOWN outer, HRESULT* result)
    : CBaseAllocator(name, outer, result) {}

CMemAllocator::~CMemAllocator() {
  Decommit();
  std::lock_guard<std::mutex> hold(m_lock);
  ReallyFree();
}

CUnknown* CMemAllocator::CreateInstance(LPUNKNOWN outer, HRESULT* result) {
  auto* allocator = new (std::nothrow) CMemAllocator(NAME("CMemAllocator"), outer, result);
  if (allocator == nullptr && result != nullptr) *result = E_OUTOFMEMORY;
  return allocator;
}

STDMETHODIMP CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request,
                                          ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr || actual == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES adjusted = *request;
  // Every buffer's prefix and data together keep the alignment.
  if (adjusted.cbAlign > 0 && (adjusted.cbAlign & (adjusted.cbAlign - 1)) == 0) {
    LONG whole = adjusted.cbBuffer + adjusted.cbPrefix;
    LONG remainder = whole % adjusted.cbAlign;
    if (remainder != 0) adjusted.cbBuffer += adjusted.cbAlign - remainder;
  }
  return CBaseAllocator::SetProperties(&adjusted, actual);
}

HRESULT CMemAllocator::Alloc() {
  HRESULT hr = CBaseAllocator::Alloc();
  if (FAILED(hr)) return hr;
  if (m_lAllocated != static_cast<LONG>(m_lFree.size())) return VFW_E_BUFFERS_OUTSTANDING;
  ReallyFree();
  size_t stride = static_cast<size_t>(m_lSize) + static_cast<size_t>(m_lPrefix);
  size_t total = stride * static_cast<size_t>(m_lCount) + static_cast<size_t>(m_lAlignment);
  try {
    m_memory.assign(total, 0);
    BYTE* base = m_memory.data();
    size_t misalign = reinterpret_cast<uintptr_t>(base + m_lPrefix) % m_lAlignment;
    if (misalign != 0) base += m_lAlignment - misalign;
    for (LONG i = 0; i < m_lCount; ++i) {
      BYTE* buffer = base + static_cast<size_t>(i) * stride + m_lPrefix;
      auto* sample =
          new CMediaSample(NAME("Default memory media sample"), this, nullptr, buffer, m_lSize);
      m_samples.push_back(sample);
      m_lFree.push_back(sample);
    }
  } catch (const std::bad_alloc&) {
    ReallyFree();
    return E_OUTOFMEMORY;
  }
  m_lAllocated = m_lCount;
  return S_OK;
}

// Memory stays until the allocator goes or its size changes: a decommitted
// allocator is committed again at every pause.
void CMemAllocator::Free() {}

void CMemAllocator::ReallyFree() {
  for (CMediaSample* sample : m_samples) delete sample;
  m_samples.clear();
  m_lFree.clear();
  m_memory.clear();
  m_memory.shrink_to_fit();
  m_lAllocated = 0;
}
