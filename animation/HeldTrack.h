// What the step, pair, index and scalar tracks share: the choice of the
// held key and the limited interpolation.
#pragma once

#include <new>
#include <type_traits>

#include "KeyTracks.h"
#include "animation/KeyedRun.h"
#include "animation/TrackIo.h"
#include "animation/TrackSpan.h"

namespace tavorin::animation {

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
