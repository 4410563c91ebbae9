// Direct3D 9 resources: the link to the owning device and the members every
// IDirect3DResource9 shares.
#pragma once

#include <comobject.h>
#include <d3d9.h>

#include <memory>
#include <mutex>

namespace tavorin::d3d9 {

// The tie between a device and what it created. Resources must not keep
// their device alive (the device holds bound resources, so that would be a
// cycle); the device clears the link when it goes, and GetDevice then fails.
class DeviceLink {
 public:
  explicit DeviceLink(IDirect3DDevice9* device) : m_device(device) {}
  HRESULT GetDevice(IDirect3DDevice9** out) {
    if (out == nullptr) return D3DERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(m_mutex);
    *out = m_device;
    if (m_device == nullptr) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    return D3D_OK;
  }
  void Detach() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_device = nullptr;
  }

 private:
  std::mutex m_mutex;
  IDirect3DDevice9* m_device;
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
  void* QueryOtherInterface(REFIID iid) override {
    if (iid == IID_IDirect3DResource9) return static_cast<IDirect3DResource9*>(this);
    return nullptr;
  }

  DeviceLinkPtr m_link;

 private:
  DWORD m_priority = 0;
};

}  // namespace tavorin::d3d9
