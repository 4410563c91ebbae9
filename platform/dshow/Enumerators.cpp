// DirectShow base classes: pin and media-type enumerators.
#include <streams.h>

namespace {

template <class Enumerator, class Interface>
HRESULT QueryEnumerator(Enumerator* self, REFIID iid, REFIID own, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == own) {
    return GetInterface(static_cast<Interface*>(self), object);
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

}  // namespace

CEnumPins::CEnumPins(CBaseFilter* filter, CEnumPins* toCopy) : m_pFilter(filter) {
  m_pFilter->AddRef();
  if (toCopy != nullptr) {
    m_pins = toCopy->m_pins;
    m_position = toCopy->m_position;
    m_version = toCopy->m_version;
  } else {
    CAutoLock hold(m_pFilter->FilterLock());
    m_version = m_pFilter->GetPinVersion();
    for (int i = 0; i < m_pFilter->GetPinCount(); ++i) {
      if (CBasePin* pin = m_pFilter->GetPin(i)) m_pins.push_back(pin);
    }
  }
}

CEnumPins::~CEnumPins() {
  m_pFilter->Release();
}

STDMETHODIMP CEnumPins::QueryInterface(REFIID iid, void** object) {
  return QueryEnumerator<CEnumPins, IEnumPins>(this, iid, IID_IEnumPins, object);
}

STDMETHODIMP_(ULONG) CEnumPins::AddRef() {
  return ++m_cRef;
}

STDMETHODIMP_(ULONG) CEnumPins::Release() {
  LONG count = --m_cRef;
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

bool CEnumPins::AreWeOutOfSync() const {
  return m_pFilter->GetPinVersion() != m_version;
}

STDMETHODIMP CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (fetched == nullptr && count > 1) return E_INVALIDARG;
  if (fetched != nullptr) *fetched = 0;
  if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG done = 0;
  while (done < count && m_position < m_pins.size()) {
    pins[done] = m_pins[m_position++];
    pins[done]->AddRef();
    ++done;
  }
  if (fetched != nullptr) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG count) {
  if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  size_t left = m_pins.size() - m_position;
  if (count > left) {
    m_position = m_pins.size();
    return S_FALSE;
  }
  m_position += count;
  return S_OK;
}

// Resetting is how a caller catches up with a changed set of pins.
STDMETHODIMP CEnumPins::Reset() {
  CAutoLock hold(m_pFilter->FilterLock());
  m_pins.clear();
  m_version = m_pFilter->GetPinVersion();
  for (int i = 0; i < m_pFilter->GetPinCount(); ++i) {
    if (CBasePin* pin = m_pFilter->GetPin(i)) m_pins.push_back(pin);
  }
  m_position = 0;
  return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** copy) {
  if (copy == nullptr) return E_POINTER;
  if (AreWeOutOfSync()) {
    *copy = nullptr;
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  *copy = new (std::nothrow) CEnumPins(m_pFilter, this);
  return *copy != nullptr ? S_OK : E_OUTOFMEMORY;
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, CEnumMediaTypes* toCopy) : m_pPin(pin) {
  m_pPin->AddRef();
  if (toCopy != nullptr) {
    m_types = toCopy->m_types;
    m_position = toCopy->m_position;
    m_version = toCopy->m_version;
  } else {
    Reset();
  }
}

CEnumMediaTypes::~CEnumMediaTypes() {
  m_pPin->Release();
}

STDMETHODIMP CEnumMediaTypes::QueryInterface(REFIID iid, void** object) {
  return QueryEnumerator<CEnumMediaTypes, IEnumMediaTypes>(this, iid, IID_IEnumMediaTypes, object);
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::AddRef() {
  return ++m_cRef;
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::Release() {
  LONG count = --m_cRef;
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

bool CEnumMediaTypes::AreWeOutOfSync() const {
  return m_pPin->GetMediaTypeVersion() != m_version;
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (fetched == nullptr && count > 1) return E_INVALIDARG;
  if (fetched != nullptr) *fetched = 0;
  if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG done = 0;
  while (done < count && m_position < m_types.size()) {
    AM_MEDIA_TYPE* copy = CreateMediaType(&m_types[m_position]);
    if (copy == nullptr) break;
    types[done++] = copy;
    ++m_position;
  }
  if (fetched != nullptr) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG count) {
  if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
  size_t left = m_types.size() - m_position;
  if (count > left) {
    m_position = m_types.size();
    return S_FALSE;
  }
  m_position += count;
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
  m_types.clear();
  m_version = m_pPin->GetMediaTypeVersion();
  // The pin's list ends at the first position it does not answer with S_OK;
  // a bound keeps a pin that never ends it from running away.
  for (int position = 0; position < 1024; ++position) {
    CMediaType type;
    if (m_pPin->GetMediaType(position, &type) != S_OK) break;
    m_types.push_back(type);
  }
  m_position = 0;
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** copy) {
  if (copy == nullptr) return E_POINTER;
  if (AreWeOutOfSync()) {
    *copy = nullptr;
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  *copy = new (std::nothrow) CEnumMediaTypes(m_pPin, this);
  return *copy != nullptr ? S_OK : E_OUTOFMEMORY;
}
