// Reading scene components from bytes and driving the millisecond clock for
// the scene component tests.
#pragma once

#include <functional>
#include <vector>

#include <gtest/gtest.h>
#include <platform_test.h>

#include "animation/TrackTestSupport.h"

namespace tavorin::test {

// The creator shape every payload-reading component shares.
template <class Interface>
using PayloadCreator = HRESULT (*)(Interface**, IFileReader*, DWORD, DWORD*);

// Reads a component from `bytes` as a payload of `length` bytes (all of them
// when 0), checking the creator's promises: on success it consumed the whole
// payload, on failure the out-pointer is null and it stayed within it.
template <class Interface>
ComPtr<Interface> ReadComponent(const TempDir& dir, PayloadCreator<Interface> create,
                                const std::vector<uint8_t>& bytes, HRESULT expected = S_OK,
                                bool announced = false, DWORD length = 0) {
  if (length == 0) length = DWORD(bytes.size());
  ComPtr<IFileReader> reader = ReaderOver(dir, bytes, announced, "component.bin");
  Interface* component = reinterpret_cast<Interface*>(uintptr_t(1));
  DWORD consumed = 0xFFFFFFFF;
  EXPECT_EQ(create(&component, reader.Get(), length, &consumed), expected);
  if (SUCCEEDED(expected)) {
    EXPECT_EQ(consumed, length);
  } else {
    EXPECT_EQ(component, nullptr);
    EXPECT_LE(consumed, length);
  }
  return ComPtr<Interface>(SUCCEEDED(expected) ? component : nullptr);
}

// The payload a component's Serialize writes, checking that the size it
// reports without a writer is the size it writes.
template <class Interface>
std::vector<uint8_t> Payload(const TempDir& dir, Interface* component) {
  DWORD counted = 0, written = 0;
  EXPECT_EQ(component->Serialize(nullptr, &counted), S_OK);
  std::vector<uint8_t> bytes = WrittenBytes(
      dir,
      [&](IFileWriter* writer) {
        DWORD size = 0;
        EXPECT_EQ(component->Serialize(writer, &size), S_OK);
        return size;
      },
      &written);
  EXPECT_EQ(written, counted);
  EXPECT_EQ(bytes.size(), counted);
  return bytes;
}

// timeGetTime stands still at a chosen time while the test runs and moves
// only when told.
class ManualClock {
 public:
  explicit ManualClock(DWORD start = 1000000) { SetManualTime(start); }
  ~ManualClock() { UseRealTime(); }
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;
  void Advance(DWORD milliseconds) { AdvanceManualTime(milliseconds); }
};

}  // namespace tavorin::test
