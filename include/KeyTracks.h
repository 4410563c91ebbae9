// Keyed animation tracks: the five track kinds that scene components embed,
// how each is evaluated at a frame, read from and written to its owner's
// chunk payload, and the editing operations on the spline track.
#pragma once

#include <memory>

#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "ResultCodes.h"

// Success code of the held and limited tracks when the frame is at or past
// their last key. Callers treat it as success.
constexpr HRESULT TrackFinished = S_FINISHED;

// ---------------------------------------------------------------------------
// Records
//
// A track is embedded by value in its owner and owns its key array, which is
// null exactly when keyCount is 0. Tracks move but do not copy; use
// CopyCurveTrack for an explicit copy. Keys are expected in strictly
// increasing frame order; other orders are accepted as stored and evaluate
// without fault, but not meaningfully.

// Interpolation of the span that ends at a curve key.
enum CurveShape : WORD {
  kCurveShapeTcb = 0,
  kCurveShapeHermite = 1,
  kCurveShapeBezier = 2,  // evaluated exactly as Hermite
  kCurveShapeLinear = 3,
  kCurveShapeStepped = 4,
  kCurveShapeBezier2D = 5,
};

// What a curve track gives outside its keyed range.
enum CurveBehavior : WORD {
  kBehaviorReset = 0,         // 0.0
  kBehaviorConstant = 1,      // the nearest end key's value
  kBehaviorRepeat = 2,        // the keyed range repeats
  kBehaviorOscillate = 3,     // repeats, every second repetition mirrored in time
  kBehaviorOffsetRepeat = 4,  // repeats, shifted by (last - first value) per cycle
  kBehaviorLinear = 5,        // extrapolates along the end key's tangent
};

// p[0..5] by shape: TCB uses p[0] tension, p[1] continuity, p[2] bias;
// Hermite/Bezier use p[3] incoming and p[4] outgoing tangent; the 2-D Bezier
// uses p[1] incoming handle value offset, p[2] handle frame offset (both
// directions) and p[3] outgoing handle value offset. Unused ones are kept.
struct CurveKey {
  float value;
  INT frame;
  WORD shape;
  float p[6];
};

struct CurveTrack {
  WORD keyCount = 0;
  std::unique_ptr<CurveKey[]> keys;
  WORD preBehavior = kBehaviorRepeat;   // frames before the first key
  WORD postBehavior = kBehaviorRepeat;  // frames at or after the last key
};

// Interpolation byte of index and scalar keys (for the span ending at the
// key). Any other code leaves `current` as it was.
enum KeyInterpolation : BYTE {
  kInterpolationHold = 0,
  kInterpolationLinear = 1,
  kInterpolationCubic = 2,
};

// Bits of limitFlags.
constexpr BYTE kLimitLower = 1;
constexpr BYTE kLimitUpper = 2;

struct ScalarKey {
  INT frame;
  float value;
  BYTE interpolation;
};

struct ScalarTrack {
  std::unique_ptr<ScalarKey[]> keys;
  WORD keyCount = 0;
  DWORD enabled = 1;  // 0: the keys are ignored and defaultValue is used
  float defaultValue = 0.0f;
  float current = 0.0f;  // the last evaluation's value
  BYTE limitFlags = 0;
  float lowerLimit = 0.0f;
  float upperLimit = 0.0f;
};

struct IndexKey {
  INT frame;
  WORD value;
  BYTE interpolation;
};

struct IndexTrack {
  std::unique_ptr<IndexKey[]> keys;
  WORD keyCount = 0;
  WORD enabled = 1;
  WORD defaultValue = 0;
  WORD current = 0;
  BYTE limitFlags = 0;
  INT lowerLimit = 0;
  INT upperLimit = 0;
};

// The 4-byte payload is one u32 for layers; the lip-sync reads it as two u16,
// LOWORD first. The stored bytes are the same either way.
struct StepKey {
  INT frame;
  DWORD value;
};

struct StepTrack {
  std::unique_ptr<StepKey[]> keys;
  WORD keyCount = 0;
  DWORD enabled = 1;
  DWORD defaultValue = 0;
  DWORD current = 0;
};

struct PairValue {
  WORD a;
  WORD b;
  DWORD c;
};

struct PairKey {
  INT frame;
  PairValue value;
};

struct PairTrack {
  std::unique_ptr<PairKey[]> keys;
  WORD keyCount = 0;
  DWORD enabled = 1;
  PairValue defaultValue = {0, 0, 0};
  PairValue current = {0, 0, 0};
};

// ---------------------------------------------------------------------------
// Evaluation. None allocates; each runs in logarithmic time in the key count
// and never fails.

// The curve's value at `frame`, behaviours applied outside the keyed range.
// With no keys the result is 0.0 (owners normally substitute their own
// default before calling).
float EvaluateCurve(const CurveTrack& track, INT frame);
// The value at `frameA` moved towards the value at `frameB` by step / steps
// (step is not clamped); with steps 0 the value at `frameB`. A track without
// keys counts as `defaultValue` at both frames.
float EvaluateCurveBlend(const CurveTrack& track, INT frameA, INT step, float defaultValue,
                         INT frameB, INT steps);
// Store the held key's payload (or the default when disabled or empty) in
// `current`. S_OK, or TrackFinished at or past the last key.
HRESULT EvaluateStep(StepTrack& track, INT frame);
HRESULT EvaluatePair(PairTrack& track, INT frame);
// Store the interpolated and limited value in `current`. S_OK, or
// TrackFinished at or past the last key. The index track truncates its
// interpolated value toward zero to 16 bits before applying the limits.
HRESULT EvaluateIndex(IndexTrack& track, INT frame);
HRESULT EvaluateScalar(ScalarTrack& track, INT frame);

// ---------------------------------------------------------------------------
// Stored form. A reader takes `reader` positioned at the first sub-chunk of
// a run of `length` bytes and replaces the track's keys; `*consumed` (never
// more than `length`) tells how many bytes it took, also on failure. E_FAIL
// for a malformed or truncated run (the track is then left without keys),
// E_OUTOFMEMORY when the key array cannot be allocated, E_POINTER for a null
// reader or out-pointer. Unknown sub-chunks are skipped by their size.

// Keeps the behaviours unless "PER " / "POST" are present.
HRESULT ReadCurveTrack(IFileReader* reader, CurveTrack& track, DWORD length, DWORD* consumed);
// The layer's step track: the payload as one u32; `enabled` stays as it was
// unless "ENBL" is present.
HRESULT ReadLayerStepTrack(IFileReader* reader, StepTrack& track, DWORD length, DWORD* consumed);
// The lip-sync's step track: the payload as two u16; sets `enabled` to 1
// before reading.
HRESULT ReadLipSyncStepTrack(IFileReader* reader, StepTrack& track, DWORD length, DWORD* consumed);
// Sets `enabled` to 1 and clears `limitFlags` before reading.
HRESULT ReadIndexTrack(IFileReader* reader, IndexTrack& track, DWORD length, DWORD* consumed);
// Clears `limitFlags` before reading; `enabled` stays unless "ENBL" is present.
HRESULT ReadScalarTrack(IFileReader* reader, ScalarTrack& track, DWORD length, DWORD* consumed);
// Sets `enabled` to 1 before reading.
HRESULT ReadPairTrack(IFileReader* reader, PairTrack& track, DWORD length, DWORD* consumed);

// Writers: with a writer, write the run and report in `*size` the byte count
// the writes returned; with a null writer only compute the size. S_OK
// (E_POINTER for a null `size`), except SerializePairTrack, which returns the
// size itself as its (non-negative) success value.
HRESULT SerializeCurveTrack(const CurveTrack& track, IFileWriter* writer, DWORD* size);
HRESULT SerializeStepTrack(const StepTrack& track, IFileWriter* writer, DWORD* size);
HRESULT SerializeIndexTrack(const IndexTrack& track, IFileWriter* writer, DWORD* size);
HRESULT SerializeScalarTrack(const ScalarTrack& track, IFileWriter* writer, DWORD* size);
HRESULT SerializePairTrack(const PairTrack& track, IFileWriter* writer, DWORD* size);

// ---------------------------------------------------------------------------
// Curve editing

// Removes every key and sets both behaviours to repeat.
void ClearCurveTrack(CurveTrack& track);
// Writes a curve run holding only the keys of the run that starts at the
// first key with frame >= `from` and continues while frames are <= `to`;
// with `rebase` non-zero their frames are written as frame - from.
HRESULT SerializeCurveRange(const CurveTrack& track, INT from, INT to, BOOL rebase,
                            IFileWriter* writer, DWORD* size);
// `dest` becomes a copy of `source` (keys and behaviours) with `offset` added
// to every value. `dest` and `source` may be the same track. On
// E_OUTOFMEMORY `dest` is left without keys.
HRESULT CopyCurveTrack(CurveTrack& dest, const CurveTrack& source, float offset);

// How pasted keys combine with the destination's.
enum PasteMode : DWORD {
  // Destination keys at or after `at` move later by (to - from + 1).
  kPasteInsert = 0,
  // Destination keys with frames in [at, at + (to - from) + 1] are dropped.
  kPasteReplace = 1,
  // All source keys (no range filter) merge in; a pasted key wins a tie.
  kPasteMerge = 2,
};
// Pastes the source keys with frames in [from, to] (all of them when
// merging) at `at`: each moved by (at - from) frames and `offset` in value.
// E_INVALIDARG for another mode, E_FAIL when the result would exceed 65535
// keys, E_OUTOFMEMORY; `dest` is unchanged on every failure. `dest` and
// `source` may be the same track.
HRESULT PasteCurveTrack(CurveTrack& dest, const CurveTrack& source, INT at, INT from, INT to,
                        DWORD mode, float offset);
// Reads a curve run of `length` bytes from `reader` and pastes its keys with
// frames in [from, to] into `dest` as PasteCurveTrack does (offset 0).
// Reports the bytes taken in `*consumed`; read failures as in ReadCurveTrack,
// with `dest` unchanged.
HRESULT PasteCurveFromStream(IFileReader* reader, CurveTrack& dest, INT at, INT from, INT to,
                             DWORD mode, DWORD length, DWORD* consumed);
