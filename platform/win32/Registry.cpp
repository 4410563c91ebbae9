// The Win32 registry as one in-memory tree per process under
// HKEY_CLASSES_ROOT, guarded by one mutex.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <windows.h>

#include "platform/win32/MediaTypeCheckBytes.h"

namespace {

char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Registry names compare without regard to ASCII case but keep the case they
// were created with.
struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
      unsigned char x = static_cast<unsigned char>(FoldCase(a[i]));
      unsigned char y = static_cast<unsigned char>(FoldCase(b[i]));
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

struct Value {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

FILETIME Now() {
  // 100 ns ticks since 1601, the file-time epoch, 369 years before Unix's.
  constexpr ULONGLONG kUnixEpochInFileTime = 116444736000000000ull;
  auto sinceUnix = std::chrono::system_clock::now().time_since_epoch();
  ULONGLONG ticks =
      kUnixEpochInFileTime +
      static_cast<ULONGLONG>(
          std::chrono::duration_cast<std::chrono::nanoseconds>(sinceUnix).count() / 100);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

struct Key {
  std::map<std::string, std::shared_ptr<Key>, CaseLess> subkeys;
  std::map<std::string, Value, CaseLess> values;
  FILETIME written = Now();
  bool deleted = false;
};

struct OpenKey {
  std::shared_ptr<Key> key;
  REGSAM access;
};

// Splits a subkey path at single backslashes; false for an empty component.
bool SplitPath(LPCSTR path, std::vector<std::string>* parts) {
  if (path == nullptr || *path == '\0') return true;
  const char* start = path;
  for (const char* p = path;; ++p) {
    if (*p != '\\' && *p != '\0') continue;
    if (p == start) return false;
    parts->emplace_back(start, p);
    if (*p == '\0') return true;
    start = p + 1;
  }
}

class Hive {
 public:
  Hive() : m_root(std::make_shared<Key>()) { AddMediaTypeCheckBytes(); }

  LSTATUS Open(HKEY parent, LPCSTR subKey, REGSAM desired, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Key> key;
    LSTATUS status = Resolve(parent, 0, &key);
    if (status != ERROR_SUCCESS) return status;
    std::vector<std::string> parts;
    if (!SplitPath(subKey, &parts)) return ERROR_BAD_PATHNAME;
    for (const std::string& part : parts) {
      auto found = key->subkeys.find(part);
      if (found == key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
      key = found->second;
    }
    *result = AddHandle(std::move(key), desired);
    return ERROR_SUCCESS;
  }

  LSTATUS Create(HKEY parent, LPCSTR subKey, REGSAM desired, PHKEY result, LPDWORD disposition) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> parts;
    if (!SplitPath(subKey, &parts)) return ERROR_BAD_PATHNAME;
    std::shared_ptr<Key> key;
    LSTATUS status = Resolve(parent, parts.empty() ? 0 : KEY_CREATE_SUB_KEY, &key);
    if (status != ERROR_SUCCESS) return status;
    DWORD outcome = REG_OPENED_EXISTING_KEY;
    for (const std::string& part : parts) {
      std::shared_ptr<Key>& child = key->subkeys[part];
      if (!child) {
        child = std::make_shared<Key>();
        key->written = Now();
        outcome = REG_CREATED_NEW_KEY;
      }
      key = child;
    }
    *result = AddHandle(std::move(key), desired);
    if (disposition != nullptr) *disposition = outcome;
    return ERROR_SUCCESS;
  }

  LSTATUS EnumKey(HKEY parent, DWORD index, LPSTR name, LPDWORD nameLength, LPSTR keyClass,
                  LPDWORD classLength, PFILETIME lastWriteTime) {
    if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Key> key;
    LSTATUS status = Resolve(parent, KEY_ENUMERATE_SUB_KEYS, &key);
    if (status != ERROR_SUCCESS) return status;
    if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto entry = std::next(key->subkeys.begin(), index);
    const std::string& found = entry->first;
    if (found.size() + 1 > *nameLength) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameLength = static_cast<DWORD>(found.size());
    if (keyClass != nullptr && classLength != nullptr) {
      if (*classLength == 0) return ERROR_MORE_DATA;
      keyClass[0] = '\0';
      *classLength = 0;
    }
    if (lastWriteTime != nullptr) *lastWriteTime = entry->second->written;
    return ERROR_SUCCESS;
  }

  LSTATUS QueryValue(HKEY parent, LPCSTR valueName, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Key> key;
    LSTATUS status = Resolve(parent, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;
    auto found = key->values.find(valueName == nullptr ? "" : valueName);
    if (found == key->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = found->second;
    if (type != nullptr) *type = value.type;
    if (dataSize == nullptr) return ERROR_SUCCESS;
    DWORD size = static_cast<DWORD>(value.data.size());
    DWORD room = *dataSize;
    *dataSize = size;
    if (data == nullptr) return ERROR_SUCCESS;
    if (room < size) return ERROR_MORE_DATA;
    if (size > 0) std::memcpy(data, value.data.data(), size);
    return ERROR_SUCCESS;
  }

  LSTATUS SetValue(HKEY parent, LPCSTR valueName, DWORD type, const BYTE* data, DWORD dataSize) {
    if (data == nullptr && dataSize > 0) return ERROR_NOACCESS;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Key> key;
    LSTATUS status = Resolve(parent, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;
    Value& value = key->values[valueName == nullptr ? "" : valueName];
    value.type = type;
    value.data.assign(data, data + dataSize);
    key->written = Now();
    return ERROR_SUCCESS;
  }

  LSTATUS Delete(HKEY parent, LPCSTR subKey) {
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Key> key;
    LSTATUS status = Resolve(parent, 0, &key);
    if (status != ERROR_SUCCESS) return status;
    std::vector<std::string> parts;
    if (!SplitPath(subKey, &parts)) return ERROR_BAD_PATHNAME;
    if (parts.empty()) return ERROR_ACCESS_DENIED;  // never the key the handle names
    std::shared_ptr<Key> owner = key;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      auto found = owner->subkeys.find(parts[i]);
      if (found == owner->subkeys.end()) return ERROR_FILE_NOT_FOUND;
      owner = found->second;
    }
    auto found = owner->subkeys.find(parts.back());
    if (found == owner->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    if (!found->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
    found->second->deleted = true;
    owner->subkeys.erase(found);
    owner->written = Now();
    return ERROR_SUCCESS;
  }

  LSTATUS Close(HKEY handle) {
    if (handle == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_handles.erase(reinterpret_cast<uintptr_t>(handle)) > 0 ? ERROR_SUCCESS
                                                                    : ERROR_INVALID_HANDLE;
  }

 private:
  // The key behind a handle, if the handle grants `needed`.
  LSTATUS Resolve(HKEY handle, REGSAM needed, std::shared_ptr<Key>* key) {
    if (handle == HKEY_CLASSES_ROOT) {
      *key = m_root;
      return ERROR_SUCCESS;
    }
    auto found = m_handles.find(reinterpret_cast<uintptr_t>(handle));
    if (found == m_handles.end()) return ERROR_INVALID_HANDLE;
    if (found->second.key->deleted) return ERROR_KEY_DELETED;
    if ((found->second.access & needed) != needed) return ERROR_ACCESS_DENIED;
    *key = found->second.key;
    return ERROR_SUCCESS;
  }

  HKEY AddHandle(std::shared_ptr<Key> key, REGSAM access) {
    // Handle values step by 4 like kernel handles and are never reused, so a
    // stale handle is refused rather than reaching another key.
    m_nextHandle += 4;
    m_handles[m_nextHandle] = OpenKey{std::move(key), access};
    return reinterpret_cast<HKEY>(m_nextHandle);
  }

  void AddMediaTypeCheckBytes() {
    std::shared_ptr<Key> streams = m_root;
    std::vector<std::string> parts;
    SplitPath(tavorin::win32::kMediaTypeStreamKey, &parts);
    for (const std::string& part : parts) {
      std::shared_ptr<Key>& child = streams->subkeys[part];
      child = std::make_shared<Key>();
      streams = child;
    }
    for (const tavorin::win32::MediaTypeCheckBytes& type :
         tavorin::win32::MediaTypeCheckBytesTable()) {
      auto subtype = std::make_shared<Key>();
      for (size_t i = 0; i < type.patterns.size(); ++i) {
        const char* pattern = type.patterns[i];
        Value& value = subtype->values[std::to_string(i)];
        value.type = REG_SZ;
        value.data.assign(pattern, pattern + std::strlen(pattern) + 1);
      }
      streams->subkeys[type.subtype] = std::move(subtype);
    }
  }

  std::mutex m_mutex;
  std::shared_ptr<Key> m_root;
  std::unordered_map<uintptr_t, OpenKey> m_handles;
  uintptr_t m_nextHandle = 0x1000;
};

Hive& TheHive() {
  static Hive hive;
  return hive;
}

}  // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, PHKEY result) {
  return TheHive().Open(key, subKey, desired, result);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*keyClass*/,
                        DWORD /*options*/, REGSAM desired, const LPSECURITY_ATTRIBUTES /*security*/,
                        PHKEY result, LPDWORD disposition) {
  return TheHive().Create(key, subKey, desired, result, disposition);
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD /*reserved*/,
                      LPSTR keyClass, LPDWORD classLength, PFILETIME lastWriteTime) {
  return TheHive().EnumKey(key, index, name, nameLength, keyClass, classLength, lastWriteTime);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD /*reserved*/, LPDWORD type,
                         LPBYTE data, LPDWORD dataSize) {
  return TheHive().QueryValue(key, valueName, type, data, dataSize);
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD dataSize) {
  return TheHive().SetValue(key, valueName, type, data, dataSize);
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  return TheHive().Delete(key, subKey);
}

LSTATUS RegCloseKey(HKEY key) {
  return TheHive().Close(key);
}
