#include "animation/TrackSpan.h"

namespace tavorin::animation {

namespace {

LONGLONG FloorDivide(LONGLONG a, LONGLONG b) {
  LONGLONG q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

WrappedFrame WrapFrame(LONGLONG t, LONGLONG first, LONGLONG last) {
  const LONGLONG length = last - first;
  if (length == 0) return {first, 0};
  // An exact integer floor keeps the promise t' in [first, last) for every
  // frame; a single-precision quotient drifts out of the range beyond 2^24
  // and agrees with this one below it.
  const LONGLONG wrapped = first + t - length * FloorDivide(t, length);
  return {wrapped, -((wrapped - t) / length)};
}

}  // namespace tavorin::animation
