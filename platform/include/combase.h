// Base classes: COM objects that can be aggregated (CUnknown).
#pragma once

#include <atomic>

#include <windows.h>

#ifndef STDMETHODIMP
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#endif

typedef char TCHAR;
typedef const char* LPCTSTR;
#ifndef TEXT
#define TEXT(text) text
#endif
// Object names are for debugging only.
#define NAME(text) (text)

// The IUnknown of an object that may be part of an outer object: the public
// IUnknown methods of every interface forward to the owner (the outer object,
// or the object's own inner IUnknown when it stands alone).
struct INonDelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

class CUnknown : public INonDelegatingUnknown {
 public:
  // `outer` null: the object stands alone. The reference count starts at 0;
  // the creator takes the first reference.
  CUnknown(LPCTSTR name, LPUNKNOWN outer, HRESULT* result = nullptr);
  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;
  virtual ~CUnknown() = default;

  // Answers IUnknown with the inner IUnknown; derived classes answer their
  // own interfaces and pass the rest down.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
  // Deletes the object when the count reaches 0.
  STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

  LPUNKNOWN GetOwner() const { return m_owner; }
  LPCTSTR Name() const { return m_name; }

 protected:
  std::atomic<LONG> m_cRef{0};

 private:
  // The object's own IUnknown when it is not aggregated.
  class Inner : public IUnknown {
   public:
    explicit Inner(CUnknown* object) : m_object(object) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
      return m_object->NonDelegatingQueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_object->NonDelegatingAddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_object->NonDelegatingRelease(); }

   private:
    CUnknown* m_object;
  };

  LPCTSTR m_name;
  Inner m_inner{this};
  LPUNKNOWN m_owner;
};

// The IUnknown methods of every interface of a CUnknown-derived class.
#define DECLARE_IUNKNOWN                                            \
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override { \
    return GetOwner()->QueryInterface(iid, object);                 \
  }                                                                 \
  STDMETHODIMP_(ULONG) AddRef() override {                          \
    return GetOwner()->AddRef();                                    \
  }                                                                 \
  STDMETHODIMP_(ULONG) Release() override {                         \
    return GetOwner()->Release();                                   \
  }

// Hands out `unknown` (an interface pointer of this object) with a reference.
HRESULT GetInterface(LPUNKNOWN unknown, void** object);
