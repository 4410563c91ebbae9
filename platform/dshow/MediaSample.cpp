// DirectShow base classes: media samples that return to their allocator.
#include <streams.h>

CMediaSample::CMediaSample(LPCTSTR /*name*/, CBaseAllocator* allocator, HRESULT* result,
                           LPBYTE buffer, LONG length)
    : m_pBuffer(buffer), m_cbBuffer(length), m_pAllocator(allocator) {
  if (allocator == nullptr && result != nullptr) *result = VFW_E_NEED_OWNER;
}

CMediaSample::~CMediaSample() {
  DeleteMediaType(m_pMediaType);
}

STDMETHODIMP CMediaSample::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IMediaSample) {
    return GetInterface(static_cast<IMediaSample*>(this), object);
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CMediaSample::AddRef() {
  return ++m_cRef;
}

STDMETHODIMP_(ULONG) CMediaSample::Release() {
  LONG count = --m_cRef;
  if (count == 0) {
    ResetProperties();
    m_pAllocator->ReleaseBuffer(this);
  }
  return static_cast<ULONG>(count);
}

void CMediaSample::ResetProperties() {
  m_dwFlags = 0;
  m_lActual = 0;
  DeleteMediaType(m_pMediaType);
  m_pMediaType = nullptr;
}

HRESULT CMediaSample::SetPointer(BYTE* buffer, LONG length) {
  if (length < 0) return VFW_E_BUFFER_OVERFLOW;
  m_pBuffer = buffer;
  m_cbBuffer = length;
  m_lActual = length;
  return S_OK;
}

STDMETHODIMP CMediaSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = m_pBuffer;
  return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetSize() {
  return m_cbBuffer;
}

STDMETHODIMP CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (start == nullptr || stop == nullptr) return E_POINTER;
  if (!(m_dwFlags & kTimeValid)) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = m_Start;
  *stop = m_End;
  return S_OK;
}

STDMETHODIMP CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (start == nullptr) {
    m_dwFlags &= ~kTimeValid;
    return S_OK;
  }
  m_Start = *start;
  m_End = stop != nullptr ? *stop : *start + 1;
  m_dwFlags |= kTimeValid;
  return S_OK;
}

STDMETHODIMP CMediaSample::IsSyncPoint() {
  return (m_dwFlags & kSyncPoint) ? S_OK : S_FALSE;
}

STDMETHODIMP CMediaSample::SetSyncPoint(BOOL syncPoint) {
  m_dwFlags = syncPoint ? (m_dwFlags | kSyncPoint) : (m_dwFlags & ~kSyncPoint);
  return S_OK;
}

STDMETHODIMP CMediaSample::IsPreroll() {
  return (m_dwFlags & kPreroll) ? S_OK : S_FALSE;
}

STDMETHODIMP CMediaSample::SetPreroll(BOOL preroll) {
  m_dwFlags = preroll ? (m_dwFlags | kPreroll) : (m_dwFlags & ~kPreroll);
  return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetActualDataLength() {
  return m_lActual;
}

STDMETHODIMP CMediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > m_cbBuffer) return VFW_E_BUFFER_OVERFLOW;
  m_lActual = length;
  return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  *type = nullptr;
  if (!(m_dwFlags & kTypeChanged) || m_pMediaType == nullptr) return S_FALSE;
  *type = CreateMediaType(m_pMediaType);
  return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CMediaSample::SetMediaType(AM_MEDIA_TYPE* type) {
  DeleteMediaType(m_pMediaType);
  m_pMediaType = nullptr;
  if (type == nullptr) {
    m_dwFlags &= ~kTypeChanged;
    return S_OK;
  }
  m_pMediaType = CreateMediaType(type);
  if (m_pMediaType == nullptr) {
    m_dwFlags &= ~kTypeChanged;
    return E_OUTOFMEMORY;
  }
  m_dwFlags |= kTypeChanged;
  return S_OK;
}

STDMETHODIMP CMediaSample::IsDiscontinuity() {
  return (m_dwFlags & kDiscontinuity) ? S_OK : S_FALSE;
}

STDMETHODIMP CMediaSample::SetDiscontinuity(BOOL discontinuity) {
  m_dwFlags = discontinuity ? (m_dwFlags | kDiscontinuity) : (m_dwFlags & ~kDiscontinuity);
  return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr || stop == nullptr) return E_POINTER;
  if (!(m_dwFlags & kMediaTimeValid)) return VFW_E_MEDIA_TIME_NOT_SET;
  *start = m_MediaStart;
  *stop = m_MediaEnd;
  return S_OK;
}

STDMETHODIMP CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr) {
    m_dwFlags &= ~kMediaTimeValid;
    return S_OK;
  }
  if (stop == nullptr) return E_POINTER;
  m_MediaStart = *start;
  m_MediaEnd = *stop;
  m_dwFlags |= kMediaTimeValid;
  return S_OK;
}
