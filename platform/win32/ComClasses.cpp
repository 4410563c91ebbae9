// COM object creation over the platform's class table, and COM task memory.
#include <cstdlib>
#include <cwctype>
#include <mutex>
#include <vector>

#include <windows.h>

#include "platform/win32/ComClassTable.h"

namespace tavorin::platform {
namespace {

struct ComClass {
  CLSID clsid;
  ComClassCreator creator;
};

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

std::vector<ComClass>& Table() {
  static std::vector<ComClass> table;
  return table;
}

ComClassCreator FindCreator(REFCLSID clsid) {
  std::lock_guard<std::mutex> hold(TableLock());
  for (const ComClass& entry : Table()) {
    if (entry.clsid == clsid) return entry.creator;
  }
  return nullptr;
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads `digits` hex digits from text; false on anything else.
bool ReadHex(LPCWSTR& text, int digits, uint64_t* value) {
  *value = 0;
  for (int i = 0; i < digits; ++i) {
    int digit = HexValue(text[i]);
    if (digit < 0) return false;
    *value = (*value << 4) | static_cast<uint64_t>(digit);
  }
  text += digits;
  return true;
}

bool Expect(LPCWSTR& text, wchar_t c) {
  if (*text != c) return false;
  ++text;
  return true;
}

bool ParseGuid(LPCWSTR text, GUID* guid) {
  uint64_t value = 0;
  if (!Expect(text, L'{') || !ReadHex(text, 8, &value)) return false;
  guid->Data1 = static_cast<DWORD>(value);
  if (!Expect(text, L'-') || !ReadHex(text, 4, &value)) return false;
  guid->Data2 = static_cast<WORD>(value);
  if (!Expect(text, L'-') || !ReadHex(text, 4, &value)) return false;
  guid->Data3 = static_cast<WORD>(value);
  if (!Expect(text, L'-')) return false;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(text, L'-')) return false;
    if (!ReadHex(text, 2, &value)) return false;
    guid->Data4[i] = static_cast<BYTE>(value);
  }
  return Expect(text, L'}') && *text == 0;
}

}  // namespace

void RegisterComClass(REFCLSID clsid, ComClassCreator creator) {
  std::lock_guard<std::mutex> hold(TableLock());
  for (ComClass& entry : Table()) {
    if (entry.clsid == clsid) {
      entry.creator = creator;
      return;
    }
  }
  Table().push_back({clsid, creator});
}

}  // namespace tavorin::platform

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD /*context*/, REFIID iid,
                         LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  tavorin::platform::ComClassCreator creator = tavorin::platform::FindCreator(clsid);
  if (creator == nullptr) return REGDB_E_CLASSNOTREG;
  return creator(iid, object);
}

HRESULT CLSIDFromString(LPCWSTR text, LPCLSID clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  GUID parsed{};
  if (text == nullptr || !tavorin::platform::ParseGuid(text, &parsed)) {
    *clsid = GUID_NULL;
    return CO_E_CLASSSTRING;
  }
  *clsid = parsed;
  return S_OK;
}

LPVOID CoTaskMemAlloc(SIZE_T bytes) {
  return std::malloc(bytes == 0 ? 1 : bytes);
}

void CoTaskMemFree(LPVOID memory) {
  std::free(memory);
}
