#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kStreamKey = "Media Type\\{e436eb83-524f-11ce-9f53-0020af0ba770}";
constexpr const char* kAviSubtype = "{E436EB88-524F-11CE-9F53-0020AF0BA770}";

std::string QueryString(HKEY key, const char* name) {
  char buffer[300] = {};
  DWORD size = sizeof(buffer) - 1;
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return "<none>";
  }
  return buffer;
}

TEST(RegistryTest, MediaTypeCheckBytesArePreFilledAndEnumerable) {
  HKEY streams = nullptr;
  // Names compare without regard to case.
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CLASSES_ROOT, "MEDIA TYPE\\{E436EB83-524F-11CE-9F53-0020AF0BA770}",
                          0, KEY_READ, &streams));
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    char name[64];
    DWORD length = sizeof(name);
    LSTATUS status =
        RegEnumKeyExA(streams, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(ERROR_SUCCESS, status);
    EXPECT_EQ(38u, length);
    names.push_back(name);
  }
  EXPECT_GE(names.size(), 10u);
  // Every subtype holds at least the value "0", a pattern string.
  for (const std::string& name : names) {
    HKEY subtype = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(streams, name.c_str(), 0, KEY_READ, &subtype)) << name;
    EXPECT_NE("<none>", QueryString(subtype, "0")) << name;
    RegCloseKey(subtype);
  }
  HKEY avi = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(streams, kAviSubtype, 0, KEY_READ, &avi));
  EXPECT_EQ("0,4,,52494646,8,4,,41564920", QueryString(avi, "0"));
  EXPECT_EQ("<none>", QueryString(avi, "1"));
  RegCloseKey(avi);

  // A name buffer must hold the terminator too.
  char name[39];
  DWORD length = 38;
  EXPECT_EQ(ERROR_MORE_DATA,
            RegEnumKeyExA(streams, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  length = 39;
  EXPECT_EQ(ERROR_SUCCESS,
            RegEnumKeyExA(streams, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(names[0], name);
  // A handle opened for reading cannot write.
  DWORD one = 1;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegSetValueExA(streams, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), sizeof(one)));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(streams));
  EXPECT_EQ(ERROR_INVALID_HANDLE,
            RegEnumKeyExA(streams, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
}

TEST(RegistryTest, CreateSetQueryDeleteFollowWin32Rules) {
  HKEY child = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner\\Leaf", 0,
                                           nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                           nullptr, &child, &disposition));
  EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
  HKEY again = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "registrytesta\\INNER\\leaf", 0,
                                           nullptr, 0, KEY_READ, nullptr, &again, &disposition));
  EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);

  {  // values
    // Values: exact bytes and type back, sizes on request, short buffers.
    const char text[] = "hello";
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(child, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6));
    DWORD number = 0x12345678;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(child, nullptr, 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(again, "TEXT", nullptr, &type, nullptr, &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(6u, size);
    char small[3] = {'x', 'x', 'x'};
    size = sizeof(small);
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(again, "Text", nullptr, nullptr,
                                                reinterpret_cast<BYTE*>(small), &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ("hello", QueryString(again, "text"));
    DWORD readBack = 0;
    size = sizeof(readBack);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(again, "", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&readBack), &size));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(number, readBack);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExA(again, "Missing", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(again, "Text", nullptr, nullptr,
                                                        reinterpret_cast<BYTE*>(small), nullptr));
    EXPECT_EQ(ERROR_NOACCESS, RegSetValueExA(child, "Text", 0, REG_SZ, nullptr, 4));
    // A read-only handle cannot create subkeys below it.
    HKEY denied = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(again, "Deeper", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                   nullptr, &denied, nullptr));
  }

  {  // paths
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExA(HKEY_CLASSES_ROOT, "RegistryTestA\\Nothing", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_BAD_PATHNAME,
              RegOpenKeyExA(HKEY_CLASSES_ROOT, "RegistryTestA\\\\Inner", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_BAD_PATHNAME,
              RegOpenKeyExA(HKEY_CLASSES_ROOT, "\\RegistryTestA", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegOpenKeyExA(HKEY_CLASSES_ROOT, "RegistryTestA", 0, KEY_READ, nullptr));
    EXPECT_EQ(nullptr, key);
  }

  {  // deletion
    // Only childless keys go; handles to a deleted key then fail.
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner\\Leaf"));
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegQueryValueExA(again, "Text", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner\\Leaf"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA"));
    // A key created again under the old name is a new, empty key.
    HKEY fresh = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner\\Leaf", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &fresh, &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExA(fresh, "Text", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegQueryValueExA(child, "Text", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(fresh);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner\\Leaf");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA\\Inner");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestA");
  }
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(child));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(again));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(again));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CLASSES_ROOT));
}

TEST(RegistryTest, ThreadsWriteTheirOwnKeysWhileOthersEnumerate) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      std::string path = "RegistryTestB\\Thread" + std::to_string(t);
      for (int round = 0; round < kRounds; ++round) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
          ++failures[t];
          continue;
        }
        DWORD value = DWORD(round);
        RegSetValueExA(key, "round", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4);
        DWORD back = 0;
        DWORD size = 4;
        if (RegQueryValueExA(key, "round", nullptr, nullptr, reinterpret_cast<BYTE*>(&back),
                             &size) != ERROR_SUCCESS ||
            back != value) {
          ++failures[t];
        }
        HKEY parent = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "RegistryTestB", 0, KEY_READ, &parent) ==
            ERROR_SUCCESS) {
          char name[64];
          for (DWORD i = 0;; ++i) {
            DWORD length = sizeof(name);
            if (RegEnumKeyExA(parent, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
              break;
            }
          }
          RegCloseKey(parent);
        }
        RegCloseKey(key);
        if (RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str()) != ERROR_SUCCESS) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(0, failures[t]) << "thread " << t;
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryTestB");
}

}  // namespace
