// DirectShow base classes: pin connection and media-type negotiation.
#include <cstring>
#include <cwchar>

#include <streams.h>

namespace {

// Turns the "not taken" answers of CheckMediaType into the connection error.
HRESULT AsTypeRefusal(HRESULT hr) {
  return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace

CBasePin::CBasePin(LPCTSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
                   LPCWSTR pinName, PIN_DIRECTION direction)
    : CUnknown(objectName, nullptr, result), m_dir(direction), m_pLock(lock), m_pFilter(filter) {
  if (pinName != nullptr) {
    m_pName.assign(pinName, pinName + std::wcslen(pinName) + 1);
  } else {
    m_pName.assign(1, 0);
  }
}

CBasePin::~CBasePin() {
  if (m_Connected != nullptr) m_Connected->Release();
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IPin) return GetInterface(static_cast<IPin*>(this), object);
  if (iid == IID_IUnknown) return GetInterface(static_cast<IPin*>(this), object);
  *object = nullptr;
  return E_NOINTERFACE;
}

// A pin lives exactly as long as its filter.
STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() {
  return m_pFilter->AddRef();
}
STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() {
  return m_pFilter->Release();
}

STDMETHODIMP CBasePin::Connect(IPin* receive, const AM_MEDIA_TYPE* type) {
  if (receive == nullptr) return E_POINTER;
  CAutoLock hold(m_pLock);
  if (m_Connected != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (type == nullptr) return AgreeMediaType(receive, nullptr);
  CMediaType wanted(*type);
  return AgreeMediaType(receive, &wanted);
}

HRESULT CBasePin::AgreeMediaType(IPin* receive, const CMediaType* type) {
  if (type != nullptr && !type->IsPartiallySpecified()) return AttemptConnection(receive, type);
  HRESULT lastError = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int pass = 0; pass < 2; ++pass) {
    bool mine = (pass == 0) == m_bTryMyTypesFirst;
    IEnumMediaTypes* types = nullptr;
    HRESULT hr = mine ? EnumMediaTypes(&types) : receive->EnumMediaTypes(&types);
    if (FAILED(hr) || types == nullptr) continue;
    hr = TryMediaTypes(receive, type, types);
    types->Release();
    if (SUCCEEDED(hr)) return hr;
    if (hr != VFW_E_NO_ACCEPTABLE_TYPES) lastError = hr;
  }
  return lastError;
}

HRESULT CBasePin::TryMediaTypes(IPin* receive, const CMediaType* filter, IEnumMediaTypes* types) {
  HRESULT lastError = VFW_E_NO_ACCEPTABLE_TYPES;
  types->Reset();
  for (;;) {
    AM_MEDIA_TYPE* next = nullptr;
    ULONG fetched = 0;
    if (types->Next(1, &next, &fetched) != S_OK || fetched != 1) break;
    CMediaType candidate(*next);
    DeleteMediaType(next);
    if (filter != nullptr && !filter->MatchesPartial(&candidate)) continue;
    HRESULT hr = AttemptConnection(receive, &candidate);
    if (SUCCEEDED(hr)) return hr;
    lastError = hr;
  }
  return lastError;
}

HRESULT CBasePin::AttemptConnection(IPin* receive, const CMediaType* type) {
  HRESULT hr = CheckConnect(receive);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(type);
  if (hr != S_OK) {
    BreakConnect();
    return AsTypeRefusal(hr);
  }
  hr = SetMediaType(type);
  if (SUCCEEDED(hr)) {
    m_Connected = receive;
    m_Connected->AddRef();
    hr = receive->ReceiveConnection(static_cast<IPin*>(this), type);
    if (SUCCEEDED(hr)) {
      hr = CompleteConnect(receive);
      if (SUCCEEDED(hr)) return S_OK;
      receive->Disconnect();
    }
  }
  BreakConnect();
  if (m_Connected != nullptr) {
    m_Connected->Release();
    m_Connected = nullptr;
  }
  return hr;
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (connector == nullptr || type == nullptr) return E_POINTER;
  CAutoLock hold(m_pLock);
  if (m_Connected != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  CMediaType proposed(*type);
  hr = CheckMediaType(&proposed);
  if (hr != S_OK) {
    BreakConnect();
    return AsTypeRefusal(hr);
  }
  m_Connected = connector;
  m_Connected->AddRef();
  hr = SetMediaType(&proposed);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (SUCCEEDED(hr)) return S_OK;
  m_Connected->Release();
  m_Connected = nullptr;
  BreakConnect();
  return hr;
}

STDMETHODIMP CBasePin::Disconnect() {
  CAutoLock hold(m_pLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
  if (m_Connected == nullptr) return S_FALSE;
  HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  m_Connected->Release();
  m_Connected = nullptr;
  return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock hold(m_pLock);
  *pin = m_Connected;
  if (m_Connected == nullptr) return VFW_E_NOT_CONNECTED;
  m_Connected->AddRef();
  return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CAutoLock hold(m_pLock);
  if (m_Connected == nullptr) {
    std::memset(type, 0, sizeof(*type));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(type, &m_mt);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = m_pFilter;
  if (m_pFilter != nullptr) m_pFilter->AddRef();
  info->dir = m_dir;
  std::wcsncpy(info->achName, m_pName.data(), MAX_PIN_NAME - 1);
  info->achName[MAX_PIN_NAME - 1] = 0;
  return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = m_dir;
  return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  size_t bytes = m_pName.size() * sizeof(WCHAR);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*id == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*id, m_pName.data(), bytes);
  return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  CMediaType proposed(*type);
  HRESULT hr = CheckMediaType(&proposed);
  return hr == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = new (std::nothrow) CEnumMediaTypes(this, nullptr);
  return *types != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/) {
  return E_NOTIMPL;
}

STDMETHODIMP CBasePin::EndOfStream() {
  return S_OK;
}

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  m_tStart = start;
  m_tStop = stop;
  m_dRate = rate;
  return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) {
  return m_mt.Set(*type);
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION other;
  HRESULT hr = pin->QueryDirection(&other);
  if (FAILED(hr)) return hr;
  return other == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() {
  return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin* /*receive*/) {
  return S_OK;
}

HRESULT CBasePin::GetMediaType(int /*position*/, CMediaType* /*type*/) {
  return E_UNEXPECTED;
}
