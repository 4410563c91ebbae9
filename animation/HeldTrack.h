// What the step, pair, index and scalar tracks share: their reading loop,
// the choice of the held key and the limited interpolation.
#pragma once

#include <new>
#include <type_traits>

#include "KeyTracks.h"
#include "animation/TrackIo.h"
#include "animation/TrackSpan.h"

namespace tavorin::animation {

// Reads a run whose keys are `keySize` bytes each, decoded by
// `decode(const BYTE*, Key&)`. `field(in, tag, size)` reads the kind's own
// sub-chunks and answers S_FALSE for a tag it does not know, which is then
// skipped. The caller has prepared the track's fields.
template <class Track, class Decode, class Field>
HRESULT ReadKeyedRun(RunReader& in, Track& track, DWORD keySize, Decode decode, Field field) {
  using Key = std::remove_reference_t<decltype(track.keys[0])>;
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
        BYTE b[16];
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

// Reads a fixed-width field sub-chunk: the size must hold it and lie in the
// run; anything beyond the width is skipped.
template <class Read>
HRESULT ReadField(RunReader& in, DWORD size, DWORD width, Read read) {
  HRESULT hr = in.CheckPayload(size, width);
  if (FAILED(hr)) return hr;
  in.Announce(size);
  if (FAILED(hr = read())) return hr;
  return in.SkipRest(size, width);
}

// The payload of the held kinds at frame t: the default when disabled or
// empty, the first key at or before it, the last key at or after it.
template <class Track, class Value>
HRESULT EvaluateHeld(Track& track, INT t, const Value& defaultValue) {
  const int n = track.keyCount;
  if (n == 0 || !track.keys || track.enabled == 0) {
    track.current = defaultValue;
    return S_OK;
  }
  const auto* k = track.keys.get();
  if (t <= k[0].frame) {
    track.current = k[0].value;
    return S_OK;
  }
  if (t >= k[n - 1].frame) {
    track.current = k[n - 1].value;
    return TrackFinished;
  }
  track.current = k[FindSpan(k, n, t)].value;
  return S_OK;
}

// The interpolated value of the limited kinds inside the span of t, or false
// when the span's interpolation code is unknown.
template <class Key>
bool InterpolateSpan(const Key* k, int n, INT t, double* value) {
  const int i = FindSpan(k, n, t);
  const Key& key0 = k[i];
  const Key& key1 = k[i + 1];
  const double span = double(LONGLONG(key1.frame) - key0.frame);
  const double into = double(LONGLONG(t) - key0.frame);
  switch (key1.interpolation) {
    case kInterpolationHold:
      *value = key0.value;
      return true;
    case kInterpolationLinear:
      // Multiplying before dividing keeps an exact result exact, so the
      // index track's truncation never takes a whole value to one below.
      *value = key0.value + into * (double(key1.value) - key0.value) / span;
      return true;
    case kInterpolationCubic: {
      // Next stands in as key1 already on the second-to-last span (n - 3,
      // not n - 2): stored animations were authored against this curve.
      const Key& prev = i > 0 ? k[i - 1] : key0;
      const Key& next = i < n - 3 ? k[i + 2] : key1;
      const double u = float(into / span);
      const double u2 = u * u, u3 = u2 * u;
      const double h2 = 3 * u2 - 2 * u3;
      const double h1 = 1 - h2;
      const double h3 = u3 - 2 * u2 + u;
      const double h4 = u3 - u2;
      const double t0 =
          (double(key1.value) - prev.value) * span / double(LONGLONG(key1.frame) - prev.frame);
      const double t1 =
          (double(next.value) - key0.value) * span / double(LONGLONG(next.frame) - key0.frame);
      *value = h1 * key0.value + h2 * key1.value + h3 * t0 + h4 * t1;
      return true;
    }
    default:
      return false;
  }
}

// Evaluates a limited kind: `clamp(double exact)` applies the kind's
// rounding and limits and stores `current`.
template <class Track, class Clamp>
HRESULT EvaluateLimited(Track& track, INT t, Clamp clamp) {
  const int n = track.keyCount;
  if (n == 0 || !track.keys || track.enabled == 0) {
    clamp(double(track.defaultValue));
    return S_OK;
  }
  const auto* k = track.keys.get();
  if (t <= k[0].frame) {
    clamp(double(k[0].value));
    return S_OK;
  }
  if (t >= k[n - 1].frame) {
    clamp(double(k[n - 1].value));
    return TrackFinished;
  }
  double value = 0.0;
  if (InterpolateSpan(k, n, t, &value)) clamp(value);
  return S_OK;
}

}  // namespace tavorin::animation
