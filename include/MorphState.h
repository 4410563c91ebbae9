// What the lip-sync and the blink hand the scene for drawing: a base layer
// drawn as a morph toward a target layer.
#pragma once

#include <windows.h>

// Layers are scene layer indices, 0xFFFF for none (both layers then draw
// normally and the weight means nothing). The weight runs from 0.0 (the base
// layer as it is) to 1.0 (fully the target) and is repeated once per axis.
struct MorphState {
  WORD baseLayer;
  WORD targetLayer;
  FLOAT weight[3];
};

// Modes of the lip-sync and the blink. Stored values above
// kMorphModeFromTrack are kept but act as kMorphModeOff.
enum MorphMode : WORD {
  kMorphModeOff = 0,
  kMorphModeFixed = 1,      // the object's own layers
  kMorphModeFromTrack = 2,  // the layers the track holds at the last SetFrame
};
