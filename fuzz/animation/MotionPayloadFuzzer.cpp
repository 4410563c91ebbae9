// Feeds arbitrary bytes to the "MOTI" payload reader, then poses, rewrites
// and pastes what it accepted.
#include "IVeyaMotion.h"
#include "fuzz/animation/TrackFuzzSupport.h"

using tavorin::ComPtr;
using namespace tavorin::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRun run = OpenRun(data, size);
  if (!run.reader) return 0;
  IVeyaMotion* raw = nullptr;
  DWORD consumed = 0;
  const HRESULT hr = CreateMotion(&raw, 1, run.reader.Get(), run.length, &consumed);
  Check(consumed <= run.length);
  if (FAILED(hr)) {
    Check(raw == nullptr);
    return 0;
  }
  Check(consumed == run.length);
  ComPtr<IVeyaMotion> motion(raw);
  for (INT frame : {INT(0x80000000), -7, 0, 3, 100, 0x7FFFFFFF}) {
    motion->Evaluate(frame);
    motion->EvaluateBlend(1, frame, 5, 2);
    motion->UpdateWorld();
  }
  const std::vector<BYTE> bytes =
      CheckedWrite([&](IFileWriter* writer, DWORD* out) { motion->Serialize(writer, out); });
  IVeyaMotion* again = nullptr;
  DWORD againConsumed = 0;
  Check(CreateMotion(&again, 1, ReaderOver(bytes).Get(), DWORD(bytes.size()), &againConsumed) ==
        S_OK);
  ComPtr<IVeyaMotion> copy(again);
  Check(againConsumed == bytes.size());
  Check(CheckedWrite([&](IFileWriter* writer, DWORD* out) { copy->Serialize(writer, out); }) ==
        bytes);
  const std::vector<BYTE> range = CheckedWrite(
      [&](IFileWriter* writer, DWORD* out) { motion->SerializeRange(0, 50, TRUE, writer, out); });
  // Pasting may refuse a result beyond 65535 keys in a channel; either way
  // it stays within the run and reads all of it on success.
  DWORD pasted = 0;
  const HRESULT pasteResult = copy->PasteFromStream(10, 0, 50, kPasteMerge, ReaderOver(range).Get(),
                                                    DWORD(range.size()), &pasted);
  Check(pasteResult == S_OK || pasteResult == E_FAIL);
  Check(pasted <= range.size() && (FAILED(pasteResult) || pasted == range.size()));
  return 0;
}
