// The held 4-byte payload track of layers and the lip-sync.
#include "KeyTracks.h"
#include "animation/HeldTrack.h"

using namespace tavorin::animation;

namespace {

constexpr DWORD kStepKeySize = 8;

void DecodeStepKey(const BYTE* b, StepKey& key) {
  key.frame = LoadI32(b);
  key.value = LoadU32(b + 4);
}

// Both owners store the same bytes; they differ only in whether reading
// switches the track on.
HRESULT ReadStepRun(RunReader& in, StepTrack& track) {
  return ReadKeyedRun(
      in, track, kStepKeySize, DecodeStepKey,
      [&](RunReader& run, DWORD tag, DWORD size) -> HRESULT {
        if (tag == kTagEnabled) {
          return ReadField(run, size, 4, [&] { return run.ReadU32(&track.enabled); });
        }
        if (tag == kTagDefault) {
          return ReadField(run, size, 4, [&] { return run.ReadU32(&track.defaultValue); });
        }
        return S_FALSE;
      });
}

}  // namespace

HRESULT EvaluateStep(StepTrack& track, INT frame) {
  return EvaluateHeld(track, frame, track.defaultValue);
}

HRESULT ReadLayerStepTrack(IFileReader* reader, StepTrack& track, DWORD length, DWORD* consumed) {
  return ReadTrackRun(reader, track, length, consumed,
                      [&](RunReader& in) { return ReadStepRun(in, track); });
}

HRESULT ReadLipSyncStepTrack(IFileReader* reader, StepTrack& track, DWORD length, DWORD* consumed) {
  if (reader != nullptr && consumed != nullptr) track.enabled = 1;
  return ReadTrackRun(reader, track, length, consumed,
                      [&](RunReader& in) { return ReadStepRun(in, track); });
}

HRESULT SerializeStepTrack(const StepTrack& track, IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  out.Header(kTagEnabled, 4);
  out.U32(track.enabled);
  out.Header(kTagDefault, 4);
  out.U32(track.defaultValue);
  if (track.keyCount > 0) {
    out.Header(kTagKeyCount, 2);
    out.U16(track.keyCount);
    out.Header(kTagKeys, kStepKeySize * track.keyCount);
    for (WORD i = 0; i < track.keyCount; ++i) {
      BYTE b[kStepKeySize];
      StoreI32(b, track.keys[i].frame);
      StoreU32(b + 4, track.keys[i].value);
      out.Bytes(b, sizeof b);
    }
  }
  *size = out.Written();
  return S_OK;
}
