// The sample skeleton: a standing figure whose joints sway, nod and wave
// over frames 0-120, keyed with every curve shape, plus the camera and the
// morph objects that animate on the same frames.
#include "tools/scenetool/SampleParts.h"
#include "tools/scenetool/Failure.h"

namespace scenetool {
namespace {

struct JointSpec {
  const char* name;
  WORD parent;
  D3DXVECTOR3 rest;  // in the figure's space
};

const JointSpec kJoints[kSampleMotionCount] = {
    {"root", 0xFFFF, {0, 0, 0}},
    {"hips", kRoot, {0, 1.0f, 0}},
    {"spine", kHips, {0, 1.2f, 0}},
    {"chest", kSpine, {0, 1.4f, 0}},
    {"neck", kChest, {0, 1.6f, 0}},
    {"head", kNeck, {0, 1.7f, 0}},
    {"shoulder.L", kChest, {0.2f, 1.55f, 0}},
    {"arm.L", kShoulderLeft, {0.45f, 1.55f, 0}},
    {"hand.L", kArmLeft, {0.7f, 1.55f, 0}},
    {"shoulder.R", kChest, {-0.2f, 1.55f, 0}},
    {"arm.R", kShoulderRight, {-0.45f, 1.55f, 0}},
    {"hand.R", kArmRight, {-0.7f, 1.55f, 0}},
    {"camera", kRoot, {0, 1.5f, -3.0f}},
};

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw Failure(std::string("building the sample scene: ") + what + " failed");
}

// Four keys over frames 0-120 swinging by `amplitude`, the spans ending in
// the shapes given, with the shape parameters each shape reads set.
void KeySwing(CurveTrack* track, float base, float amplitude, const WORD (&shapes)[3],
              WORD behavior) {
  track->keyCount = 4;
  track->keys.reset(new CurveKey[4]);
  const INT frames[4] = {0, 30, 80, 120};
  const float offsets[4] = {0, amplitude, -amplitude, 0};
  for (int k = 0; k < 4; ++k) {
    CurveKey& key = track->keys[k];
    key = CurveKey{base + offsets[k],
                   frames[k],
                   k == 0 ? WORD(kCurveShapeLinear) : shapes[k - 1],
                   {0, 0, 0, 0, 0, 0}};
    switch (key.shape) {
      case kCurveShapeTcb:
        key.p[0] = 0.2f;   // tension
        key.p[1] = -0.1f;  // continuity
        key.p[2] = 0.3f;   // bias
        break;
      case kCurveShapeHermite:
      case kCurveShapeBezier:
        key.p[3] = amplitude * 0.5f;
        key.p[4] = -amplitude * 0.25f;
        break;
      case kCurveShapeBezier2D:
        key.p[1] = amplitude * 0.3f;
        key.p[2] = 8.0f;
        key.p[3] = -amplitude * 0.3f;
        break;
      default:
        break;
    }
  }
  track->preBehavior = kBehaviorConstant;
  track->postBehavior = behavior;
}

// One key holds a channel at `value` on every frame; a zero channel needs none.
void KeyConstant(CurveTrack* track, float value) {
  if (value == 0.0f) return;
  track->keyCount = 1;
  track->keys.reset(new CurveKey[1]{{value, 0, kCurveShapeLinear, {0, 0, 0, 0, 0, 0}}});
  track->preBehavior = kBehaviorConstant;
  track->postBehavior = kBehaviorConstant;
}

void Animate(IVeyaMotion* motion, WORD joint) {
  // Every joint gets all six shapes between its two keyed channels, rotated
  // so that neighbouring joints differ.
  const WORD all[6] = {kCurveShapeTcb,    kCurveShapeHermite, kCurveShapeBezier,
                       kCurveShapeLinear, kCurveShapeStepped, kCurveShapeBezier2D};
  const WORD first[3] = {all[joint % 6], all[(joint + 1) % 6], all[(joint + 2) % 6]};
  const WORD second[3] = {all[(joint + 3) % 6], all[(joint + 4) % 6], all[(joint + 5) % 6]};
  const WORD behaviors[3] = {kBehaviorRepeat, kBehaviorOscillate, kBehaviorConstant};
  const float amplitude = 0.1f + 0.05f * float(joint % 4);
  KeySwing(motion->GetTrackRotationZ(), 0.0f, amplitude, first, behaviors[joint % 3]);
  KeySwing(motion->GetTrackRotationY(), 0.0f, amplitude * 0.5f, second, kBehaviorRepeat);
  if (joint == kRoot) {
    // The root has no place of its own to keep, so it walks.
    KeySwing(motion->GetTrackTranslationX(), 0.0f, 0.3f, first, kBehaviorOffsetRepeat);
  }
  if (joint == kHead) {
    KeySwing(motion->GetTrackScaleY(), 1.0f, 0.05f, second, kBehaviorLinear);
  }
}

}  // namespace

std::vector<ComPtr<IVeyaMotion>> MakeSampleMotions() {
  std::vector<ComPtr<IVeyaMotion>> motions;
  for (WORD m = 0; m < kSampleMotionCount; ++m) {
    ComPtr<IVeyaMotion> motion;
    Check(CreateMotion(motion.ReleaseAndGetAddressOf(), m, nullptr, 0, nullptr), "a motion");
    const JointSpec& joint = kJoints[m];
    Check(motion->SetName(joint.name), "a motion name");
    // The translation channels hold a joint's place relative to its parent,
    // so that its rotation turns it about its own position.
    const D3DXVECTOR3 parentRest =
        joint.parent == 0xFFFF ? D3DXVECTOR3(0, 0, 0) : kJoints[joint.parent].rest;
    const D3DXVECTOR3 local = joint.rest - parentRest;
    KeyConstant(motion->GetTrackTranslationX(), local.x);
    KeyConstant(motion->GetTrackTranslationY(), local.y);
    KeyConstant(motion->GetTrackTranslationZ(), local.z);
    motion->SetRestPosition(&joint.rest);
    const D3DXVECTOR3 direction(0, 1, 0);
    motion->SetRestDirection(&direction);
    D3DXMATRIX inverseRest;
    D3DXMatrixTranslation(&inverseRest, -joint.rest.x, -joint.rest.y, -joint.rest.z);
    motion->SetInverseRestMatrix(&inverseRest);
    Animate(motion.Get(), m);
    motions.push_back(std::move(motion));
  }
  for (WORD m = 0; m < kSampleMotionCount; ++m) {
    if (kJoints[m].parent != 0xFFFF) {
      Check(motions[m]->SetParent(motions[kJoints[m].parent].Get()), "a parent link");
    }
  }
  return motions;
}

ComPtr<IVeyaCamera> MakeSampleCamera() {
  ComPtr<IVeyaCamera> camera;
  Check(CreateCamera(camera.ReleaseAndGetAddressOf(), nullptr, 0, nullptr), "the camera");
  camera->SetName("front");
  camera->SetFov(0.8f);
  camera->SetMotionIndex(kCameraRig);
  return camera;
}

ComPtr<IVeyaLipsync> MakeSampleLipsync() {
  ComPtr<IVeyaLipsync> lipsync;
  Check(CreateLipsync(lipsync.ReleaseAndGetAddressOf(), nullptr, 0, nullptr), "the lip-sync");
  const DWORD pair = DWORD(kMouthClosed) | DWORD(kMouthOpen) << 16;
  lipsync->SetLayers(&pair);
  lipsync->SetMode(kMorphModeFromTrack);
  // The mouth talks from frame 20 to 90 and is off (no pair) around it.
  StepTrack* track = lipsync->GetTrack();
  track->keyCount = 3;
  track->keys.reset(new StepKey[3]{{0, 0xFFFFFFFF}, {20, pair}, {90, 0xFFFFFFFF}});
  track->enabled = 1;
  track->defaultValue = pair;
  return lipsync;
}

ComPtr<IVeyaBlink> MakeSampleBlink() {
  ComPtr<IVeyaBlink> blink;
  Check(CreateBlink(blink.ReleaseAndGetAddressOf(), nullptr, 0, nullptr), "the blink");
  const DWORD layers[2] = {DWORD(kEyesOpen) | DWORD(kEyesClosed) << 16, 120};
  blink->SetLayers(layers);
  blink->SetMode(kMorphModeFromTrack);
  // Slow blinks at first, quick ones from frame 60 on.
  PairTrack* track = blink->GetTrack();
  track->keyCount = 2;
  track->keys.reset(
      new PairKey[2]{{0, {kEyesOpen, kEyesClosed, 200}}, {60, {kEyesOpen, kEyesClosed, 80}}});
  track->enabled = 1;
  track->defaultValue = {kEyesOpen, kEyesClosed, 120};
  return blink;
}

}  // namespace scenetool
