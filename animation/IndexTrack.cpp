// The limited u16 track of surface texture indices and layers.
#include <cmath>

#include "KeyTracks.h"
#include "animation/HeldTrack.h"

using namespace tavorin::animation;

namespace {

constexpr DWORD kIndexKeySize = 7;

void DecodeIndexKey(const BYTE* b, IndexKey& key) {
  key.frame = LoadI32(b);
  key.value = LoadU16(b + 4);
  key.interpolation = b[6];
}

// Truncation toward zero, keeping the low 16 bits. Values no integer type
// holds (NaN from keys sharing a frame, huge overshoots) give 0 instead of
// undefined behaviour.
WORD TruncateToIndex(double value) {
  if (!(std::fabs(value) < 9.0e18)) return 0;
  return WORD(ULONGLONG(LONGLONG(value)));
}

}  // namespace

HRESULT EvaluateIndex(IndexTrack& track, INT frame) {
  return EvaluateLimited(track, frame, [&track](double exact) {
    // Stored animations rely on the value being cut to 16 bits before the
    // limits compare it.
    WORD value = TruncateToIndex(exact);
    if ((track.limitFlags & kLimitLower) && INT(value) <= track.lowerLimit) {
      value = WORD(track.lowerLimit);
    }
    if ((track.limitFlags & kLimitUpper) && INT(value) >= track.upperLimit) {
      value = WORD(track.upperLimit);
    }
    track.current = value;
  });
}

HRESULT ReadIndexTrack(IFileReader* reader, IndexTrack& track, DWORD length, DWORD* consumed) {
  if (reader != nullptr && consumed != nullptr) {
    track.enabled = 1;
    track.limitFlags = 0;
  }
  return ReadTrackRun(reader, track, length, consumed, [&](RunReader& in) {
    return ReadKeyedRun(
        in, track, kIndexKeySize, DecodeIndexKey,
        [&](RunReader& run, DWORD tag, DWORD size) -> HRESULT {
          switch (tag) {
            case kTagEnabled:
              return ReadField(run, size, 2, [&] { return run.ReadU16(&track.enabled); });
            case kTagDefault:
              return ReadField(run, size, 2, [&] { return run.ReadU16(&track.defaultValue); });
            case kTagLowerLimit:
              track.limitFlags |= kLimitLower;
              return ReadField(run, size, 4, [&] { return run.ReadI32(&track.lowerLimit); });
            case kTagUpperLimit:
              track.limitFlags |= kLimitUpper;
              return ReadField(run, size, 4, [&] { return run.ReadI32(&track.upperLimit); });
            default:
              return S_FALSE;
          }
        });
  });
}

HRESULT SerializeIndexTrack(const IndexTrack& track, IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  out.Header(kTagEnabled, 2);
  out.U16(track.enabled);
  out.Header(kTagDefault, 2);
  out.U16(track.defaultValue);
  if (track.limitFlags & kLimitLower) {
    out.Header(kTagLowerLimit, 4);
    out.I32(track.lowerLimit);
  }
  if (track.limitFlags & kLimitUpper) {
    out.Header(kTagUpperLimit, 4);
    out.I32(track.upperLimit);
  }
  if (track.keyCount > 0) {
    out.Header(kTagKeyCount, 2);
    out.U16(track.keyCount);
    out.Header(kTagKeys, kIndexKeySize * track.keyCount);
    for (WORD i = 0; i < track.keyCount; ++i) {
      BYTE b[kIndexKeySize];
      StoreI32(b, track.keys[i].frame);
      StoreU16(b + 4, track.keys[i].value);
      b[6] = track.keys[i].interpolation;
      out.Bytes(b, sizeof b);
    }
  }
  *size = out.Written();
  return S_OK;
}
