// Evaluation, reading and writing of the spline track.
#include <cmath>
#include <new>

#include "KeyTracks.h"
#include "animation/CurveRun.h"
#include "animation/KeyedRun.h"
#include "animation/TrackSpan.h"

namespace tavorin::animation {

namespace {

constexpr int kBezierMaxHalvings = 64;
constexpr double kBezierTolerance = 0.0001;

double Frames(LONGLONG a, LONGLONG b) {
  return double(a - b);
}

// The tangent leaving key0 towards key1, by key0's shape and parameters.
double OutTangent(const CurveKey& key0, const CurveKey& key1, const CurveKey* prev) {
  switch (key0.shape) {
    case kCurveShapeTcb: {
      const double t = key0.p[0], c = key0.p[1], b = key0.p[2];
      const double along = (1 - t) * (1 - c) * (1 - b) * (double(key1.value) - key0.value);
      if (prev == nullptr) return along;
      const double before = (1 - t) * (1 + c) * (1 + b) * (double(key0.value) - prev->value);
      return Frames(key1.frame, key0.frame) / Frames(key1.frame, prev->frame) * (before + along);
    }
    case kCurveShapeHermite:
    case kCurveShapeBezier:
      if (prev == nullptr) return key0.p[4];
      return key0.p[4] * (Frames(key1.frame, key0.frame) / Frames(key1.frame, prev->frame));
    default:
      return 0.0;
  }
}

// The tangent arriving at key1 from key0, by key1's shape and parameters.
double InTangent(const CurveKey& key0, const CurveKey& key1, const CurveKey* next) {
  switch (key1.shape) {
    case kCurveShapeTcb: {
      const double t = key1.p[0], c = key1.p[1], b = key1.p[2];
      const double along = (1 - t) * (1 - c) * (1 + b) * (double(key1.value) - key0.value);
      if (next == nullptr) return along;
      const double after = (1 - t) * (1 + c) * (1 - b) * (double(next->value) - key1.value);
      return Frames(key1.frame, key0.frame) / Frames(next->frame, key0.frame) * (along + after);
    }
    case kCurveShapeHermite:
    case kCurveShapeBezier:
      if (next == nullptr) return key1.p[3];
      return key1.p[3] * (Frames(key1.frame, key0.frame) / Frames(next->frame, key0.frame));
    default:
      return 0.0;
  }
}

float CubicBezier(double p0, double p1, double p2, double p3, double s) {
  const double c1 = 3 * (p1 - p0);
  const double c2 = 3 * (p2 - p1) - c1;
  const double c3 = p3 - p0 - c1 - c2;
  return float(p0 + c1 * s + c2 * s * s + c3 * s * s * s);
}

// Finds by bisection the parameter whose frame is t, then gives the value
// there. The halvings are bounded because a handle can fold the frame curve
// back on itself, and large frames cannot come within the tolerance in
// single precision; the last midpoint then stands.
double Bezier2D(const CurveKey& key0, const CurveKey& key1, LONGLONG t) {
  const double x0 = key0.frame;
  const double x1 = key0.shape == kCurveShapeBezier2D ? x0 + key0.p[2]
                                                      : x0 + Frames(key1.frame, key0.frame) / 3.0;
  const double x3 = key1.frame;
  const double x2 = x3 + key1.p[2];
  const double y0 = key0.value;
  const double y1 = y0 + key0.p[3];
  const double y3 = key1.value;
  const double y2 = y3 + key1.p[1];

  double lo = 0.0, hi = 1.0, s = 0.5;
  for (int i = 0; i < kBezierMaxHalvings; ++i) {
    s = lo + (hi - lo) * 0.5;
    const double x = CubicBezier(x0, x1, x2, x3, s);
    if (!(std::fabs(double(t) - x) > kBezierTolerance)) break;
    if (x > double(t)) {
      hi = s;
    } else {
      lo = s;
    }
  }
  return CubicBezier(y0, y1, y2, y3, s);
}

double EvaluateSpan(const CurveTrack& track, LONGLONG t) {
  const int n = track.keyCount;
  const CurveKey* k = track.keys.get();
  const int i = FindSpan(k, n, t);
  const CurveKey& key0 = k[i];
  const CurveKey& key1 = k[i + 1];
  switch (key1.shape) {
    case kCurveShapeTcb:
    case kCurveShapeHermite:
    case kCurveShapeBezier: {
      const CurveKey* prev = i >= 1 ? &k[i - 1] : nullptr;
      const CurveKey* next = i + 2 < n ? &k[i + 2] : nullptr;
      const double u = float(Frames(t, key0.frame) / Frames(key1.frame, key0.frame));
      const double u2 = u * u, u3 = u2 * u;
      const double h2 = 3 * u2 - 2 * u3;
      const double h1 = 1 - h2;
      const double h3 = u3 - 2 * u2 + u;
      const double h4 = u3 - u2;
      return h1 * key0.value + h2 * key1.value + h3 * OutTangent(key0, key1, prev) +
             h4 * InTangent(key0, key1, next);
    }
    case kCurveShapeLinear: {
      const double u = float(Frames(t, key0.frame) / Frames(key1.frame, key0.frame));
      return key0.value + u * (double(key1.value) - key0.value);
    }
    case kCurveShapeStepped:
      return key0.value;
    case kCurveShapeBezier2D:
      return Bezier2D(key0, key1, t);
    default:
      // No defined value; hold the start key rather than invent one.
      return key0.value;
  }
}

struct Outside {
  bool done;      // the value is final
  double value;   // when done
  LONGLONG t;     // otherwise the frame to evaluate in the keyed range
  double offset;  // added to the span value
};

Outside ApplyBehavior(const CurveTrack& track, WORD behavior, LONGLONG t, bool before) {
  const CurveKey* k = track.keys.get();
  const int n = track.keyCount;
  const CurveKey& first = k[0];
  const CurveKey& last = k[n - 1];
  switch (behavior) {
    case kBehaviorReset:
      return {true, 0.0, t, 0.0};
    case kBehaviorRepeat:
      return {false, 0.0, WrapFrame(t, first.frame, last.frame).frame, 0.0};
    case kBehaviorOscillate: {
      const WrappedFrame w = WrapFrame(t, first.frame, last.frame);
      const LONGLONG mirrored = LONGLONG(first.frame) + last.frame - w.frame;
      return {false, 0.0, w.cycle % 2 != 0 ? mirrored : w.frame, 0.0};
    }
    case kBehaviorOffsetRepeat: {
      const WrappedFrame w = WrapFrame(t, first.frame, last.frame);
      return {false, 0.0, w.frame, (double(last.value) - first.value) * double(w.cycle)};
    }
    case kBehaviorLinear: {
      if (before) {
        const double slope =
            float(OutTangent(k[0], k[1], nullptr) / Frames(k[1].frame, first.frame));
        return {true, first.value + slope * Frames(t, first.frame), t, 0.0};
      }
      const double slope =
          float(InTangent(k[n - 2], last, nullptr) / Frames(last.frame, k[n - 2].frame));
      return {true, last.value + slope * Frames(t, last.frame), t, 0.0};
    }
    default:
      // Constant, and codes beyond the table: anything else would send the
      // span search outside its precondition, so hold the nearest end key.
      return {true, before ? first.value : last.value, t, 0.0};
  }
}

}  // namespace

}  // namespace tavorin::animation

using namespace tavorin::animation;

float EvaluateCurve(const CurveTrack& track, INT frame) {
  const int n = track.keyCount;
  if (n == 0 || !track.keys) return 0.0f;
  const CurveKey* k = track.keys.get();
  if (n == 1) return k[0].value;

  LONGLONG t = frame;
  double offset = 0.0;
  if (t < k[0].frame || t >= k[n - 1].frame) {
    const bool before = t < k[0].frame;
    const Outside outside =
        ApplyBehavior(track, before ? track.preBehavior : track.postBehavior, t, before);
    if (outside.done) return float(outside.value);
    t = outside.t;
    offset = outside.offset;
  }
  if (t == k[n - 1].frame) return float(k[n - 1].value + offset);
  return float(EvaluateSpan(track, t) + offset);
}

float EvaluateCurveBlend(const CurveTrack& track, INT frameA, INT step, float defaultValue,
                         INT frameB, INT steps) {
  const bool keyed = track.keyCount > 0;
  const double a = keyed ? EvaluateCurve(track, frameA) : defaultValue;
  const double b = keyed ? EvaluateCurve(track, frameB) : defaultValue;
  if (steps == 0) return float(b);
  return float(a + (b - a) * (double(step) / double(steps)));
}

void ClearCurveTrack(CurveTrack& track) {
  track.keys.reset();
  track.keyCount = 0;
  track.preBehavior = kBehaviorRepeat;
  track.postBehavior = kBehaviorRepeat;
}

namespace tavorin::animation {

namespace {

void StoreCurveKey(BYTE* bytes, const CurveKey& key, INT frame) {
  StoreF32(bytes, key.value);
  StoreI32(bytes + 4, frame);
  StoreU16(bytes + 8, key.shape);
  for (int i = 0; i < 6; ++i) StoreF32(bytes + 10 + 4 * i, key.p[i]);
}

}  // namespace

void WriteCurveRun(RunWriter& out, const CurveKey* keys, WORD count, WORD preBehavior,
                   WORD postBehavior, bool alwaysKeys, LONGLONG rebase) {
  out.Header(kTagKeyCount, 2);
  out.U16(count);
  if (alwaysKeys || count > 0) {
    out.Header(kTagKeys, kCurveKeySize * count);
    for (WORD i = 0; i < count; ++i) {
      BYTE bytes[kCurveKeySize];
      StoreCurveKey(bytes, keys[i], INT(keys[i].frame - rebase));
      out.Bytes(bytes, sizeof bytes);
    }
  }
  out.Header(kTagPreBehavior, 2);
  out.U16(preBehavior);
  out.Header(kTagPostBehavior, 2);
  out.U16(postBehavior);
}

static void DecodeCurveKey(const BYTE* b, CurveKey& key) {
  key.value = LoadF32(b);
  key.frame = LoadI32(b + 4);
  key.shape = LoadU16(b + 8);
  for (int p = 0; p < 6; ++p) key.p[p] = LoadF32(b + 10 + 4 * p);
}

HRESULT ReadCurveRun(RunReader& in, CurveTrack& track) {
  return ReadKeyedRun(in, track, kCurveKeySize, DecodeCurveKey,
                      [&track](RunReader& in, DWORD tag, DWORD size) -> HRESULT {
                        if (tag != kTagPreBehavior && tag != kTagPostBehavior) return S_FALSE;
                        WORD behavior = 0;
                        HRESULT hr = in.CheckPayload(size, 2);
                        if (FAILED(hr)) return hr;
                        in.Announce(size);
                        if (FAILED(hr = in.ReadU16(&behavior))) return hr;
                        (tag == kTagPreBehavior ? track.preBehavior : track.postBehavior) =
                            behavior;
                        return in.SkipRest(size, 2);
                      });
}

}  // namespace tavorin::animation

HRESULT ReadCurveTrack(IFileReader* reader, CurveTrack& track, DWORD length, DWORD* consumed) {
  return ReadTrackRun(reader, track, length, consumed,
                      [&track](RunReader& in) { return ReadCurveRun(in, track); });
}

HRESULT SerializeCurveTrack(const CurveTrack& track, IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  WriteCurveRun(out, track.keys.get(), track.keyCount, track.preBehavior, track.postBehavior, true,
                0);
  *size = out.Written();
  return S_OK;
}
