#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

using tavorin::test::TempDir;

HANDLE OpenForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(FilesTest, ReadWriteAndPositionFollowWin32Semantics) {
  TempDir dir;
  std::string path = dir.File("a.bin");
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, out);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(out, "0123456789", 10, &written, nullptr));
  EXPECT_EQ(10u, written);
  EXPECT_TRUE(CloseHandle(out));

  HANDLE in = OpenForReading(path);
  ASSERT_NE(INVALID_HANDLE_VALUE, in);
  EXPECT_EQ(10u, GetFileSize(in, nullptr));
  EXPECT_EQ(7u, SetFilePointer(in, -3, nullptr, FILE_END));
  char buffer[8] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(in, buffer, 8, &read, nullptr));
  EXPECT_EQ(3u, read);
  EXPECT_STREQ("789", buffer);
  ASSERT_TRUE(ReadFile(in, buffer, 8, &read, nullptr));
  EXPECT_EQ(0u, read) << "a read at the end succeeds with nothing";

  // A move before the start fails with ERROR_NEGATIVE_SEEK and keeps the position.
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(in, -11, nullptr, FILE_END));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NEGATIVE_SEEK), GetLastError());
  EXPECT_EQ(10u, SetFilePointer(in, 0, nullptr, FILE_CURRENT));

  // With a high word the distance is 64-bit and the high part comes back.
  LONG high = 1;
  EXPECT_EQ(0x10u, SetFilePointer(in, 0x10, &high, FILE_BEGIN));
  EXPECT_EQ(1, high);
  EXPECT_EQ(0u, GetLastError());
  LARGE_INTEGER position{};
  LARGE_INTEGER zero{};
  ASSERT_TRUE(SetFilePointerEx(in, zero, &position, FILE_CURRENT));
  EXPECT_EQ(0x100000010LL, position.QuadPart);
  // A 32-bit call cannot report that position and fails without moving.
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(in, 0, nullptr, FILE_CURRENT));
  ASSERT_TRUE(SetFilePointerEx(in, zero, &position, FILE_CURRENT));
  EXPECT_EQ(0x100000010LL, position.QuadPart);
  EXPECT_TRUE(CloseHandle(in));
}

TEST(FilesTest, CreatingDispositionsTellWhetherTheFileExisted) {
  TempDir dir;
  std::string path = dir.File("made.bin");
  auto open = [&](DWORD disposition) {
    SetLastError(0xDEAD);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = GetLastError();
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    return error;
  };
  // Empty files exist too: it is their presence that counts, not their size.
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), open(CREATE_ALWAYS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), open(CREATE_ALWAYS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), open(OPEN_ALWAYS));
  std::remove(path.c_str());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), open(OPEN_ALWAYS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), open(OPEN_EXISTING));
}

TEST(FilesTest, BadHandlesAndArgumentsAreRefused) {
  TempDir dir;
  EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForReading(dir.File("missing")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForReading(dir.path().string()))
      << "a directory is not a file";
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));

  HANDLE bogus = reinterpret_cast<HANDLE>(0x1234);
  char byte;
  DWORD count = 7;
  EXPECT_FALSE(ReadFile(bogus, &byte, 1, &count, nullptr));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_FALSE(CloseHandle(bogus));
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(INVALID_HANDLE_VALUE, 0, nullptr, 0));

  std::string path = dir.Write("x", {1, 2, 3});
  HANDLE in = OpenForReading(path);
  EXPECT_FALSE(ReadFile(in, nullptr, 1, &count, nullptr));
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(in, 0, nullptr, 7));
  EXPECT_TRUE(CloseHandle(in));
  EXPECT_FALSE(CloseHandle(in)) << "a closed handle is gone";
}

TEST(FilesTest, CriticalSectionIsRecursive) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);
}

}  // namespace
