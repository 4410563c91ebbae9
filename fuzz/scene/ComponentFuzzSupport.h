// The checks every scene component payload fuzzer makes.
#pragma once

#include "fuzz/animation/TrackFuzzSupport.h"

namespace tavorin::fuzz {

// Reads a component from the fuzz input and checks the creator's promises:
// the consumed count stays within the payload and covers it on success, a
// failure leaves no object, and what is written back reads again to the
// same bytes. `use(component)` exercises what was read before it is
// written.
template <class Interface, class Use>
int FuzzComponent(const uint8_t* data, size_t size,
                  HRESULT (*create)(Interface**, IFileReader*, DWORD, DWORD*), Use use) {
  FuzzRun run = OpenRun(data, size);
  if (!run.reader) return 0;
  Interface* raw = nullptr;
  DWORD consumed = 0;
  const HRESULT hr = create(&raw, run.reader.Get(), run.length, &consumed);
  Check(consumed <= run.length);
  if (FAILED(hr)) {
    Check(raw == nullptr && (hr == E_FAIL || hr == E_OUTOFMEMORY));
    return 0;
  }
  Check(hr == S_OK && raw != nullptr && consumed == run.length);
  ComPtr<Interface> component(raw);
  use(component.Get());
  auto write = [](Interface* from) {
    return CheckedWrite(
        [&](IFileWriter* writer, DWORD* out) { Check(from->Serialize(writer, out) == S_OK); });
  };
  const std::vector<BYTE> bytes = write(component.Get());
  Interface* again = nullptr;
  DWORD againConsumed = 0;
  Check(create(&again, ReaderOver(bytes).Get(), DWORD(bytes.size()), &againConsumed) == S_OK);
  ComPtr<Interface> copy(again);
  Check(againConsumed == bytes.size());
  Check(write(copy.Get()) == bytes);
  return 0;
}

// Frames that reach every part of a keyed track.
inline constexpr INT kProbeFrames[] = {INT(0x80000000), -1000, -1, 0, 1, 30, 1000, 0x7FFFFFFF};

}  // namespace tavorin::fuzz
