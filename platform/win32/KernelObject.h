// Win32 kernel handles: every HANDLE the platform gives out is a KernelObject
// known to a process-wide table, so a stale or made-up handle is refused with
// ERROR_INVALID_HANDLE instead of being dereferenced.
#pragma once

#include <memory>

#include <windows.h>

namespace tavorin::platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

// Registers the object and returns its handle; the table owns it from then on.
HANDLE RegisterHandle(std::unique_ptr<KernelObject> object);
// Keeps the object alive while the caller uses it; null (with
// ERROR_INVALID_HANDLE set) for a handle that is not open.
std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookUpHandleAs(HANDLE handle) {
  auto object = std::dynamic_pointer_cast<T>(LookUpHandle(handle));
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// Removes the handle; the object goes when its last user lets go of it.
BOOL CloseKernelHandle(HANDLE handle);

}  // namespace tavorin::platform
