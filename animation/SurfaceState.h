// Everything a surface holds, shared by the surface object and the code that
// reads and writes its "SURF" payload.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "KeyTracks.h"
#include "animation/SurfaceTextureEntry.h"

// One animated value: the stored base, the value Evaluate computed and the
// track it computes it from. Setting the base also sets the current value;
// the next Evaluate of an animated group replaces it.
struct SurfaceFactor {
  explicit SurfaceFactor(FLOAT initial) : base(initial), current(initial) {}
  void SetBase(FLOAT value) { base = current = value; }

  FLOAT base;
  FLOAT current;
  CurveTrack track;
};

// Texture entries are never more than a 16-bit count can name.
constexpr size_t kMaxSurfaceTextures = 0xFFFF;

struct SurfaceState {
  SurfaceState() {
    // The texture-index track starts disabled with all fields zero, so that
    // the texture index decides until the track is switched on.
    textureIndexTrack.enabled = 0;
  }

  WORD index = 0;
  std::string name;
  DWORD surfaceType = 1;
  DWORD blendMode = 0;
  DWORD colorAnimated = 0;
  SurfaceFactor red{1.0f};
  SurfaceFactor green{1.0f};
  SurfaceFactor blue{1.0f};
  DWORD diffuseAnimated = 0;
  SurfaceFactor diffuse{1.0f};
  DWORD extraAnimated = 0;  // the extra group lives in memory only
  SurfaceFactor extra{1.0f};
  DWORD emissiveAnimated = 0;
  SurfaceFactor emissive{0.0f};
  DWORD specularAnimated = 0;
  SurfaceFactor specular{0.0f};
  DWORD powerAnimated = 0;
  SurfaceFactor power{0.0f};
  BYTE doubleSided = 0;
  BYTE zEnable = 1;
  BYTE zWrite = 1;
  WORD textureIndex = 0xFFFF;
  std::vector<std::unique_ptr<SurfaceTextureEntry>> textures;
  IndexTrack textureIndexTrack;
  std::unique_ptr<SurfaceTextureEntry> toonTexture;
  FLOAT edgeColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  FLOAT edgeSize = 0.0f;
};
