// DirectShow base classes: aggregatable COM objects.
#include <streams.h>

CUnknown::CUnknown(LPCTSTR name, LPUNKNOWN outer, HRESULT* /*result*/)
    : m_name(name), m_owner(outer != nullptr ? outer : &m_inner) {}

STDMETHODIMP CUnknown::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown) return GetInterface(&m_inner, object);
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingAddRef() {
  return ++m_cRef;
}

STDMETHODIMP_(ULONG) CUnknown::NonDelegatingRelease() {
  LONG count = --m_cRef;
  if (count == 0) {
    // Guards against a destructor that takes and drops a reference.
    m_cRef = 1;
    delete this;
    return 0;
  }
  return static_cast<ULONG>(count);
}

HRESULT GetInterface(LPUNKNOWN unknown, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = unknown;
  unknown->AddRef();
  return S_OK;
}
