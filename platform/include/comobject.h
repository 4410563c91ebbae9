// The one reference-counting helper behind every COM-style object of the
// library and the platform, a creator helper and a small owning pointer.
#pragma once

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>
#include <utility>

#include "unknwn.h"

namespace tavorin {

// Implements QueryInterface, AddRef and Release for a class that offers one or
// more interface faces. All faces share one identity and one count: asking
// any face for IUnknown gives the first face, and the object goes when the
// count over all faces reaches zero. Classes that also answer for a base
// interface of a face (IDirect3DTexture9 for IDirect3DBaseTexture9, say)
// override QueryOtherInterface.
template <class... Faces>
class ComObject : public Faces... {
  static_assert(sizeof...(Faces) > 0, "a COM object needs at least one face");
  using First = std::tuple_element_t<0, std::tuple<Faces...>>;

 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    void* face = iid == IID_IUnknown ? static_cast<IUnknown*>(static_cast<First*>(this))
                                     : FindFace<Faces...>(iid);
    if (face == nullptr) face = QueryOtherInterface(iid);
    if (face == nullptr) return E_NOINTERFACE;
    AddRef();
    *object = face;
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refCount; }

  ULONG STDMETHODCALLTYPE Release() override {
    // The last release marks the count instead of taking it to zero, so
    // reference pairs taken inside the destructor never delete twice.
    ULONG count = m_refCount.load();
    while (!m_refCount.compare_exchange_weak(count, count > 1 ? count - 1 : kReleased)) {
    }
    if (count > 1) return count - 1;
    if (count == 1) delete this;
    return 0;
  }

  // Takes a reference unless the last one is already gone (the object is
  // being destroyed on another thread): for holders of a weak link that the
  // destructor clears under a lock the holder also takes.
  bool AddRefUnlessReleased() {
    ULONG count = m_refCount.load();
    while (count < kReleased && !m_refCount.compare_exchange_weak(count, count + 1)) {
    }
    return count < kReleased;
  }

 protected:
  virtual ~ComObject() = default;

  // Identifiers beyond IUnknown and the faces: return the matching face
  // pointer (without AddRef) or null.
  virtual void* QueryOtherInterface(REFIID /*iid*/) { return nullptr; }

 private:
  template <class Face, class... Rest>
  void* FindFace(REFIID iid) {
    if (iid == InterfaceId<Face>::value) return static_cast<Face*>(this);
    if constexpr (sizeof...(Rest) > 0) {
      return FindFace<Rest...>(iid);
    } else {
      return nullptr;
    }
  }

  static constexpr ULONG kReleased = 0x80000000u;
  std::atomic<ULONG> m_refCount{1};
};

// The creator pattern every Create…/Open… function follows: allocate, run a
// constructor that cannot fail, then Init(args…), which can. On success *out
// holds the one reference; on failure the object is destroyed, *out is null
// and Init's error is returned: E_OUTOFMEMORY when Init ran out of memory,
// E_FAIL when it threw anything else (no exception crosses a COM boundary).
template <class Object, class Interface, class... Args>
HRESULT CreateComObject(Interface** out, Args&&... args) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  Object* object = new (std::nothrow) Object();
  if (object == nullptr) return E_OUTOFMEMORY;
  HRESULT hr;
  try {
    hr = object->Init(std::forward<Args>(args)...);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  } catch (...) {
    hr = E_FAIL;
  }
  if (FAILED(hr)) {
    object->Release();
    return hr;
  }
  *out = object;
  return S_OK;
}

// Owns one reference to a COM interface.
template <class Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already owns.
  explicit ComPtr(Interface* owned) : m_pointer(owned) {}
  ComPtr(const ComPtr& other) : m_pointer(other.m_pointer) {
    if (m_pointer) m_pointer->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(m_pointer, other.m_pointer);
    return *this;
  }

  Interface* Get() const { return m_pointer; }
  Interface* operator->() const { return m_pointer; }
  explicit operator bool() const { return m_pointer != nullptr; }
  // Releases what is held and gives the slot to an out-parameter.
  Interface** ReleaseAndGetAddressOf() {
    Reset();
    return &m_pointer;
  }
  Interface* Detach() { return std::exchange(m_pointer, nullptr); }
  void Reset() {
    if (Interface* p = std::exchange(m_pointer, nullptr)) p->Release();
  }
  template <class Other>
  HRESULT As(ComPtr<Other>* out) const {
    return m_pointer->QueryInterface(InterfaceId<Other>::value,
                                     reinterpret_cast<void**>(out->ReleaseAndGetAddressOf()));
  }

 private:
  Interface* m_pointer = nullptr;
};

}  // namespace tavorin
