// Win32 window classes, stock objects and standard icons, kept in memory.
#include <cstdint>

#include "platform/win32/WindowTable.h"

namespace tavorin::platform {
namespace {

// Stand-ins for system-owned objects: distinct, stable, never dereferenced.
HICON__ g_standardIcons[5];
HICON__ g_standardCursors[5];
unsigned char g_stockBrushes[6];
HINSTANCE__ g_programInstance;

constexpr WORD kFirstIcon = 32512;  // IDI_APPLICATION … IDI_ASTERISK follow
constexpr WORD kCursorIds[5] = {32512, 32513, 32514, 32515, 32649};

WORD ResourceId(LPCSTR name) {
  return static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
}

}  // namespace

WindowClass* ClassOf(LPCSTR nameOrAtom) {
  if (nameOrAtom == nullptr) return nullptr;
  auto& classes = Windows().classes;
  if (IS_INTRESOURCE(nameOrAtom)) {
    for (auto& [key, windowClass] : classes) {
      if (windowClass.atom == ResourceId(nameOrAtom)) return &windowClass;
    }
    return nullptr;
  }
  auto it = classes.find(ClassKey(nameOrAtom));
  return it == classes.end() ? nullptr : &it->second;
}

}  // namespace tavorin::platform

using namespace tavorin::platform;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == nullptr) return &g_programInstance;
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr ||
      windowClass->lpszClassName == nullptr || windowClass->cbClsExtra < 0 ||
      windowClass->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  if (IS_INTRESOURCE(windowClass->lpszClassName) || windowClass->lpszClassName[0] == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (ClassOf(windowClass->lpszClassName) != nullptr) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  if (table.nextAtom == 0) {  // every class atom has been handed out
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  WindowClass& added = table.classes[ClassKey(windowClass->lpszClassName)];
  added.atom = table.nextAtom++;
  added.name = windowClass->lpszClassName;
  added.record = *windowClass;
  // The caller's strings need not outlive the call.
  added.record.lpszClassName = nullptr;
  added.record.lpszMenuName = nullptr;
  return added.atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE /*instance*/) {
  WindowTable& table = Windows();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  WindowClass* windowClass = ClassOf(className);
  if (windowClass == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (windowClass->windowCount > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  table.classes.erase(ClassKey(windowClass->name.c_str()));
  return TRUE;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (instance == nullptr && name != nullptr && IS_INTRESOURCE(name)) {
    WORD id = ResourceId(name);
    if (id >= kFirstIcon && id < kFirstIcon + 5) return &g_standardIcons[id - kFirstIcon];
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  if (instance == nullptr && name != nullptr && IS_INTRESOURCE(name)) {
    for (int i = 0; i < 5; ++i) {
      if (ResourceId(name) == kCursorIds[i]) return &g_standardCursors[i];
    }
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HGDIOBJ GetStockObject(int object) {
  if (object < WHITE_BRUSH || object > NULL_BRUSH) return nullptr;
  return &g_stockBrushes[object];
}
