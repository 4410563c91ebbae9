// Direct3D 9 resources: the link to the owning device and the members every
// IDirect3DResource9 shares.
#pragma once

#include <comobject.h>
#include <d3d9.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace tavorin::d3d9 {

// The tie between a device and what it created. Resources must not keep
// their device alive (the device holds bound resources, so that would be a
// cycle); the device clears the link when it goes, and GetDevice then fails.
// The link also counts the live default-pool resources, which block Reset.
class DeviceLink {
 public:
  explicit DeviceLink(ComObject<IDirect3DDevice9>* device) : m_device(device) {}
  HRESULT GetDevice(IDirect3DDevice9** out) {
    if (out == nullptr) return D3DERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(m_mutex);
    // A device whose last reference went on another thread is still being
    // torn down (its destructor waits for this lock in Detach): it must not
    // be handed out again.
    if (m_device == nullptr || !m_device->AddRefUnlessReleased()) {
      *out = nullptr;
      return D3DERR_INVALIDCALL;
    }
    *out = m_device;
    return D3D_OK;
  }
  void Detach() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_device = nullptr;
  }
  void CountDefaultPool(int delta) { m_defaultPoolResources += delta; }
  int DefaultPoolResources() const { return m_defaultPoolResources.load(); }

 private:
  std::mutex m_mutex;
  ComObject<IDirect3DDevice9>* m_device;
  std::atomic<int> m_defaultPoolResources{0};
};

using DeviceLinkPtr = std::shared_ptr<DeviceLink>;

// IDirect3DResource9 for one concrete interface `Face`.
template <class Face>
class CResource : public ComObject<Face> {
 public:
  HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override {
    if (m_link == nullptr) {
      if (device != nullptr) *device = nullptr;
      return D3DERR_INVALIDCALL;
    }
    return m_link->GetDevice(device);
  }
  DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) override {
    return std::exchange(m_priority, priority);
  }
  DWORD STDMETHODCALLTYPE GetPriority() override { return m_priority; }

  const DeviceLinkPtr& Link() const { return m_link; }

 protected:
  ~CResource() override {
    if (m_countedForReset) m_link->CountDefaultPool(-1);
  }

  // Called once by Init with the link set: a default-pool resource keeps
  // the device from being Reset while it lives, as on Windows.
  void CountForReset(D3DPOOL pool) {
    if (pool != D3DPOOL_DEFAULT || m_link == nullptr || m_countedForReset) return;
    m_link->CountDefaultPool(1);
    m_countedForReset = true;
  }

  void* QueryOtherInterface(REFIID iid) override {
    if (iid == IID_IDirect3DResource9) return static_cast<IDirect3DResource9*>(this);
    return nullptr;
  }

  DeviceLinkPtr m_link;

 private:
  DWORD m_priority = 0;
  bool m_countedForReset = false;
};

}  // namespace tavorin::d3d9
