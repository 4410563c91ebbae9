// Locating the span of a frame in a key array and folding frames into the
// keyed range, shared by every track kind.
#pragma once

#include <windows.h>

namespace tavorin::animation {

// Index i of the span with keys[i].frame <= t < keys[i + 1].frame: one less
// than the first key after t, found by halving. `count` must be at least 2
// and callers handle frames at or outside the first and last key
// themselves. Keys whose frames do not strictly increase are accepted as
// stored, so the search only relies on its bounds and always answers a span
// inside the array (then not necessarily a meaningful one).
template <class Key>
int FindSpan(const Key* keys, int count, LONGLONG t) {
  int first = 0;
  int length = count;
  while (length > 0) {
    const int half = length / 2;
    if (keys[first + half].frame <= t) {
      first += half + 1;
      length -= half + 1;
    } else {
      length = half;
    }
  }
  if (first < 1) return 0;
  return first - 1 < count - 2 ? first - 1 : count - 2;
}

struct WrappedFrame {
  LONGLONG frame;  // in [first, last) when last > first
  LONGLONG cycle;  // how many whole ranges the frame was moved by
};

// Folds t into the keyed range [first, last) for the repeating behaviours.
// The quotient is taken from t itself, not from t - first, so a range that
// does not start at frame 0 repeats with that phase; stored animations were
// authored against it.
WrappedFrame WrapFrame(LONGLONG t, LONGLONG first, LONGLONG last);

}  // namespace tavorin::animation
