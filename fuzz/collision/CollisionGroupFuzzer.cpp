// Feeds arbitrary bytes to the "CGRP" payload reader and rewrites what it
// accepted.
#include "IVeyaCollisionGroup.h"
#include "fuzz/animation/TrackFuzzSupport.h"

using tavorin::ComPtr;
using namespace tavorin::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRun run = OpenRun(data, size);
  if (!run.reader) return 0;
  IVeyaCollisionGroup* raw = nullptr;
  DWORD consumed = 0;
  const HRESULT hr = CreateCollisionGroup(&raw, 3, 4, run.reader.Get(), run.length, &consumed);
  Check(consumed <= run.length);
  if (FAILED(hr)) {
    Check(raw == nullptr);
    return 0;
  }
  Check(consumed == run.length);
  ComPtr<IVeyaCollisionGroup> group(raw);
  const std::vector<BYTE> bytes =
      CheckedWrite([&](IFileWriter* writer, DWORD* out) { group->Serialize(writer, out); });
  const char* name = group->GetName();
  Check(bytes.size() == 52 + (name != nullptr ? std::strlen(name) : 0));
  IVeyaCollisionGroup* again = nullptr;
  DWORD againConsumed = 0;
  Check(CreateCollisionGroup(&again, 0, 0, ReaderOver(bytes).Get(), DWORD(bytes.size()),
                             &againConsumed) == S_OK);
  ComPtr<IVeyaCollisionGroup> copy(again);
  Check(againConsumed == bytes.size());
  Check(copy->GetId() == group->GetId() && copy->GetSide() == group->GetSide());
  Check(CheckedWrite([&](IFileWriter* writer, DWORD* out) { copy->Serialize(writer, out); }) ==
        bytes);
  return 0;
}
