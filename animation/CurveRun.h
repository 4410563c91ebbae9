// The stored form of a spline track, shared by its reader and writer and by
// the clipboard operations that write or paste parts of a track.
#pragma once

#include "KeyTracks.h"
#include "animation/TrackIo.h"

namespace tavorin::animation {

constexpr DWORD kCurveKeySize = 34;

// Writes "KEYN", "KEY " (always when `alwaysKeys`, else only for a non-empty
// run), "PER " and "POST"; frames are written less `rebase`.
void WriteCurveRun(RunWriter& out, const CurveKey* keys, WORD count, WORD preBehavior,
                   WORD postBehavior, bool alwaysKeys, LONGLONG rebase);
// Reads a curve run into `track`, whose keys the caller has already dropped.
// On failure the track may hold a partly read array; the caller drops it.
HRESULT ReadCurveRun(RunReader& in, CurveTrack& track);

}  // namespace tavorin::animation
