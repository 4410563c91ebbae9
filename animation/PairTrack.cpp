// The held (u16, u16, 4-byte) triple track of the blink.
#include "KeyTracks.h"
#include "animation/HeldTrack.h"

using namespace tavorin::animation;

namespace {

constexpr DWORD kPairKeySize = 12;
constexpr DWORD kPairValueSize = 8;

PairValue LoadPairValue(const BYTE* b) {
  return {LoadU16(b), LoadU16(b + 2), LoadU32(b + 4)};
}

void StorePairValue(BYTE* b, const PairValue& value) {
  StoreU16(b, value.a);
  StoreU16(b + 2, value.b);
  StoreU32(b + 4, value.c);
}

void DecodePairKey(const BYTE* b, PairKey& key) {
  key.frame = LoadI32(b);
  key.value = LoadPairValue(b + 4);
}

}  // namespace

HRESULT EvaluatePair(PairTrack& track, INT frame) {
  return EvaluateHeld(track, frame, track.defaultValue);
}

HRESULT ReadPairTrack(IFileReader* reader, PairTrack& track, DWORD length, DWORD* consumed) {
  if (reader != nullptr && consumed != nullptr) track.enabled = 1;
  return ReadTrackRun(reader, track, length, consumed, [&](RunReader& in) {
    return ReadKeyedRun(in, track, kPairKeySize, DecodePairKey,
                        [&](RunReader& run, DWORD tag, DWORD size) -> HRESULT {
                          if (tag == kTagEnabled) {
                            return ReadField(run, size, 4,
                                             [&] { return run.ReadU32(&track.enabled); });
                          }
                          if (tag != kTagDefault) return S_FALSE;
                          return ReadField(run, size, kPairValueSize, [&] {
                            BYTE b[kPairValueSize];
                            const HRESULT hr = run.ReadBytes(b, sizeof b);
                            if (SUCCEEDED(hr)) track.defaultValue = LoadPairValue(b);
                            return hr;
                          });
                        });
  });
}

HRESULT SerializePairTrack(const PairTrack& track, IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  out.Header(kTagEnabled, 4);
  out.U32(track.enabled);
  out.Header(kTagDefault, kPairValueSize);
  BYTE value[kPairValueSize];
  StorePairValue(value, track.defaultValue);
  out.Bytes(value, sizeof value);
  if (track.keyCount > 0) {
    out.Header(kTagKeyCount, 2);
    out.U16(track.keyCount);
    out.Header(kTagKeys, kPairKeySize * track.keyCount);
    for (WORD i = 0; i < track.keyCount; ++i) {
      BYTE b[kPairKeySize];
      StoreI32(b, track.keys[i].frame);
      StorePairValue(b + 4, track.keys[i].value);
      out.Bytes(b, sizeof b);
    }
  }
  *size = out.Written();
  // The blink's callers take the size as the result; it is small enough to
  // stay a success code.
  return HRESULT(*size);
}
