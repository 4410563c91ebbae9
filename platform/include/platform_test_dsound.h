// Test support for the dsound platform services: the mixed output as samples,
// and a mixer that runs only on request so that tests are deterministic.
#pragma once

#include <cstddef>
#include <vector>

#include "windef.h"

namespace tavorin::test {

// The mixed output: interleaved stereo float frames at this rate.
constexpr DWORD kDSoundOutputRate = 48000;

// Called with every block of frames the mixer produces, on the mixer's
// thread (or the caller's, for DSoundMix), with the mixer lock held: copy
// and return, never call DirectSound from here.
using DSoundCaptureCallback = void (*)(const float* frames, size_t frameCount, void* context);

// Installs (or, with null, removes) the capture callback.
void DSoundSetCaptureCallback(DSoundCaptureCallback callback, void* context);

// Collects the mixed output from now on into a buffer of the process.
void DSoundStartCapture();
// Ends the collection and hands over what was mixed since DSoundStartCapture
// (2 floats per frame: left, right).
std::vector<float> DSoundStopCapture();

// true: the output stops pulling from the mixer (it plays silence) and the
// buffers move only through DSoundMix; play cursors then report the exact
// mixer position. false: back to real-time mixing. Affects the whole process.
void DSoundSetManualMixing(bool manual);

// In manual mode, mixes frameCount frames into out (2 × frameCount floats,
// may be null to discard) and passes them to capture. Returns false outside
// manual mode.
bool DSoundMix(float* out, size_t frameCount);

// true: the silent output's thread cannot be started from now on, as when
// the process has run out of threads; false: back to normal.
void DSoundFailOutputThreads(bool fail);

// Whether the output is the silent real-time fallback (no audio device could
// be opened). false while no sound object exists.
bool DSoundIsSilentOutput();

}  // namespace tavorin::test
