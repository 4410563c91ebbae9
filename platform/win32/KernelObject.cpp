// Win32 kernel handles on a process-wide table of shared objects.
#include "platform/win32/KernelObject.h"

#include <mutex>
#include <unordered_map>

namespace tavorin::platform {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // lives past static destruction
  return *table;
}

}  // namespace

HANDLE RegisterHandle(std::unique_ptr<KernelObject> object) {
  HandleTable& table = Table();
  std::shared_ptr<KernelObject> shared(std::move(object));
  HANDLE handle = shared.get();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.objects.emplace(handle, std::move(shared));
  return handle;
}

std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(handle);
  if (it == table.objects.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

BOOL CloseKernelHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> object;
  {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.objects.find(handle);
    if (it == table.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = std::move(it->second);
    table.objects.erase(it);
  }
  return TRUE;  // the object is destroyed here, outside the lock
}

}  // namespace tavorin::platform

BOOL CloseHandle(HANDLE object) { return tavorin::platform::CloseKernelHandle(object); }
