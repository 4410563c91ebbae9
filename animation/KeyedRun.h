// The reading loop every keyed track shares: "KEYN" allocates the keys,
// "KEY " fills them, anything else is the kind's own.
#pragma once

#include <new>
#include <type_traits>

#include "KeyTracks.h"
#include "animation/TrackIo.h"

namespace tavorin::animation {

// The largest stored key of any track kind.
inline constexpr DWORD kMaxKeySize = 64;

// Reads a run whose keys are `keySize` bytes each, decoded by
// `decode(const BYTE*, Key&)`. `field(in, tag, size)` reads the kind's own
// sub-chunks and answers S_FALSE for a tag it does not know, which is then
// skipped. The caller has prepared the track's fields.
template <class Track, class Decode, class Field>
HRESULT ReadKeyedRun(RunReader& in, Track& track, DWORD keySize, Decode decode, Field field) {
  using Key = std::remove_reference_t<decltype(track.keys[0])>;
  if (keySize > kMaxKeySize) return E_INVALIDARG;
  bool counted = false;
  while (!in.AtEnd()) {
    DWORD tag = 0, size = 0;
    HRESULT hr = in.ReadHeader(&tag, &size);
    if (FAILED(hr)) return hr;
    if (tag == kTagKeyCount) {
      WORD count = 0;
      if (FAILED(hr = in.CheckPayload(size, 2))) return hr;
      in.Announce(size);
      if (FAILED(hr = in.ReadU16(&count))) return hr;
      track.keys.reset();
      track.keyCount = 0;
      if (count > 0) {
        track.keys.reset(new (std::nothrow) Key[count]());
        if (!track.keys) return E_OUTOFMEMORY;
      }
      track.keyCount = count;
      counted = true;
      hr = in.SkipRest(size, 2);
    } else if (tag == kTagKeys) {
      // Keys are read by the count from "KEYN", not by the size field, but
      // they must lie within the run.
      const DWORD bytes = keySize * track.keyCount;
      if (!counted || bytes > in.Remaining()) return E_FAIL;
      in.Announce(bytes);
      for (WORD i = 0; i < track.keyCount && SUCCEEDED(hr); ++i) {
        BYTE b[kMaxKeySize];
        hr = in.ReadBytes(b, keySize);
        if (SUCCEEDED(hr)) decode(b, track.keys[i]);
      }
      if (SUCCEEDED(hr)) hr = in.SkipRest(size, bytes);
    } else {
      hr = field(in, tag, size);
      if (hr == S_FALSE) hr = in.Skip(size);
    }
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Runs a reader over `length` bytes, reporting what it consumed and leaving
// the track without keys when it fails.
template <class Track, class Run>
HRESULT ReadTrackRun(IFileReader* reader, Track& track, DWORD length, DWORD* consumed, Run run) {
  if (consumed != nullptr) *consumed = 0;
  if (reader == nullptr || consumed == nullptr) return E_POINTER;
  track.keys.reset();
  track.keyCount = 0;
  RunReader in(reader, length);
  const HRESULT hr = run(in);
  *consumed = in.Consumed();
  if (FAILED(hr)) {
    track.keys.reset();
    track.keyCount = 0;
  }
  return hr;
}

}  // namespace tavorin::animation
