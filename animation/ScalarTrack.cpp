// The limited float track of layers.
#include "KeyTracks.h"
#include "animation/HeldTrack.h"

using namespace tavorin::animation;

namespace {

constexpr DWORD kScalarKeySize = 9;

void DecodeScalarKey(const BYTE* b, ScalarKey& key) {
  key.frame = LoadI32(b);
  key.value = LoadF32(b + 4);
  key.interpolation = b[8];
}

}  // namespace

HRESULT EvaluateScalar(ScalarTrack& track, INT frame) {
  return EvaluateLimited(track, frame, [&track](double exact) {
    float value = float(exact);
    if ((track.limitFlags & kLimitLower) && value <= track.lowerLimit) value = track.lowerLimit;
    if ((track.limitFlags & kLimitUpper) && value >= track.upperLimit) value = track.upperLimit;
    track.current = value;
  });
}

HRESULT ReadScalarTrack(IFileReader* reader, ScalarTrack& track, DWORD length, DWORD* consumed) {
  if (reader != nullptr && consumed != nullptr) track.limitFlags = 0;
  return ReadTrackRun(reader, track, length, consumed, [&](RunReader& in) {
    return ReadKeyedRun(
        in, track, kScalarKeySize, DecodeScalarKey,
        [&](RunReader& run, DWORD tag, DWORD size) -> HRESULT {
          switch (tag) {
            case kTagEnabled:
              return ReadField(run, size, 4, [&] { return run.ReadU32(&track.enabled); });
            case kTagDefault:
              return ReadField(run, size, 4, [&] { return run.ReadF32(&track.defaultValue); });
            case kTagLowerLimit:
              track.limitFlags |= kLimitLower;
              return ReadField(run, size, 4, [&] { return run.ReadF32(&track.lowerLimit); });
            case kTagUpperLimit:
              track.limitFlags |= kLimitUpper;
              return ReadField(run, size, 4, [&] { return run.ReadF32(&track.upperLimit); });
            default:
              return S_FALSE;
          }
        });
  });
}

HRESULT SerializeScalarTrack(const ScalarTrack& track, IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  out.Header(kTagEnabled, 4);
  out.U32(track.enabled);
  out.Header(kTagDefault, 4);
  out.F32(track.defaultValue);
  if (track.limitFlags & kLimitLower) {
    out.Header(kTagLowerLimit, 4);
    out.F32(track.lowerLimit);
  }
  if (track.limitFlags & kLimitUpper) {
    out.Header(kTagUpperLimit, 4);
    out.F32(track.upperLimit);
  }
  if (track.keyCount > 0) {
    out.Header(kTagKeyCount, 2);
    out.U16(track.keyCount);
    out.Header(kTagKeys, kScalarKeySize * track.keyCount);
    for (WORD i = 0; i < track.keyCount; ++i) {
      BYTE b[kScalarKeySize];
      StoreI32(b, track.keys[i].frame);
      StoreF32(b + 4, track.keys[i].value);
      b[8] = track.keys[i].interpolation;
      out.Bytes(b, sizeof b);
    }
  }
  *size = out.Written();
  return S_OK;
}
