// The pieces of the sample scene: its skeleton, surfaces, layers and morph
// objects, each made through the components' own interfaces.
#pragma once

#include <comobject.h>

#include <filesystem>
#include <vector>

#include "IVeya2.h"

namespace scenetool {

using tavorin::ComPtr;

// Motion table positions the layers and the camera are bound to.
enum SampleMotion : WORD {
  kRoot,
  kHips,
  kSpine,
  kChest,
  kNeck,
  kHead,
  kShoulderLeft,
  kArmLeft,
  kHandLeft,
  kShoulderRight,
  kArmRight,
  kHandRight,
  kCameraRig,
  kSampleMotionCount
};

// Surface table positions.
enum SampleSurface : WORD { kSkin, kCloth, kEyes, kMouth, kSampleSurfaceCount };

// Layer table positions; the last four pair up as lip-sync and blink morphs.
enum SampleLayer : WORD {
  kBody,
  kHeadLayer,
  kMouthClosed,
  kMouthOpen,
  kEyesOpen,
  kEyesClosed,
  kSampleLayerCount
};

std::vector<ComPtr<IVeyaMotion>> MakeSampleMotions();
// Texture images are written into `scratch` and loaded from there.
std::vector<ComPtr<IVeyaSurface>> MakeSampleSurfaces(IDirect3DDevice9* device,
                                                     const std::filesystem::path& scratch);
std::vector<ComPtr<IVeyaLayer>> MakeSampleLayers(IDirect3DDevice9* device);
ComPtr<IVeyaCamera> MakeSampleCamera();
ComPtr<IVeyaLipsync> MakeSampleLipsync();
ComPtr<IVeyaBlink> MakeSampleBlink();

}  // namespace scenetool
