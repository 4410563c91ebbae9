// The checks a loaded scene passes before anyone uses it: every index one
// component holds into another table must name something there, so neither
// posing, drawing nor editing ever reads outside a table.
#include "scene/SceneFormat.h"
#include "scene/SceneLoader.h"

using namespace tavorin::scene;

namespace {

bool IsRegister(SHORT matrixRegister) {
  return matrixRegister >= 0 && matrixRegister < kRegisterCount;
}

// A link names no motion (-1) or one in the table; its register is none
// (-1) or a real one.
bool IsLinkValid(const MotionLink& link, WORD motionCount) {
  if (link.motionIndex != -1 && (link.motionIndex < 0 || WORD(link.motionIndex) >= motionCount)) {
    return false;
  }
  return link.matrixRegister == -1 || IsRegister(link.matrixRegister);
}

bool IsLayerOrNone(WORD layer, WORD layerCount) {
  return layer == 0xFFFF || layer < layerCount;
}

bool IsPairValid(DWORD pair, WORD layerCount) {
  return IsLayerOrNone(LOWORD(pair), layerCount) && IsLayerOrNone(HIWORD(pair), layerCount);
}

bool IsStepTrackValid(const StepTrack& track, WORD layerCount) {
  if (!IsPairValid(track.defaultValue, layerCount)) return false;
  for (WORD k = 0; k < track.keyCount; ++k) {
    if (!IsPairValid(track.keys[k].value, layerCount)) return false;
  }
  return true;
}

bool IsPairTrackValid(const PairTrack& track, WORD layerCount) {
  auto valid = [&](const PairValue& v) {
    return IsLayerOrNone(v.a, layerCount) && IsLayerOrNone(v.b, layerCount);
  };
  if (!valid(track.defaultValue)) return false;
  for (WORD k = 0; k < track.keyCount; ++k) {
    if (!valid(track.keys[k].value)) return false;
  }
  return true;
}

bool IsIndexTrackValid(const IndexTrack& track, WORD layerCount) {
  if (!IsLayerOrNone(track.defaultValue, layerCount)) return false;
  for (WORD k = 0; k < track.keyCount; ++k) {
    if (!IsLayerOrNone(track.keys[k].value, layerCount)) return false;
  }
  return true;
}

}  // namespace

HRESULT SceneLoader::CheckReferences() {
  CVeya2& s = m_scene;
  for (WORD i = 0; i < s.m_layers.Count(); ++i) {
    if (FAILED(CheckLayer(s.m_layers[i]))) return E_FAIL;
  }
  for (WORD i = 0; i < s.m_cameras.Count(); ++i) {
    const SHORT motion = s.m_cameras[i]->GetMotionIndex();
    if (motion != -1 && (motion < 0 || WORD(motion) >= s.m_motions.Count())) return E_FAIL;
  }
  return CheckMorphPairs();
}

HRESULT SceneLoader::CheckLayer(IVeyaLayer* layer) {
  const WORD surfaces = m_scene.m_surfaces.Count();
  const WORD motions = m_scene.m_motions.Count();
  for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
    if (layer->GetMesh(m)->surfaceIndex >= surfaces) return E_FAIL;
  }
  for (WORD b = 0; b < layer->GetBoneCount(); ++b) {
    const WORD motion = layer->GetBone(b)->motionIndex;
    if (motion != 0xFFFF && motion >= motions) return E_FAIL;
  }
  MotionLink link{};
  layer->GetMainMotionLink(&link);
  if (!IsLinkValid(link, motions)) return E_FAIL;
  for (WORD k = 0; k < layer->GetMotionLinkCount(); ++k) {
    layer->GetMotionLink(k, &link);
    if (!IsLinkValid(link, motions)) return E_FAIL;
  }
  if (layer->GetMorphEnabled() &&
      !IsIndexTrackValid(*layer->GetMorphTargetTrack(), m_scene.m_layers.Count())) {
    return E_FAIL;
  }
  return S_OK;
}

// The lip-sync and the blink name layers only while they take part in
// drawing; an idle one keeps whatever pair it was made with.
HRESULT SceneLoader::CheckMorphPairs() {
  const WORD layers = m_scene.m_layers.Count();
  IVeyaLipsync* lipsync = m_scene.m_lipsync;
  DWORD pair = 0;
  switch (lipsync->GetMode()) {
    case kMorphModeFixed:
      lipsync->GetLayers(&pair);
      if (!IsPairValid(pair, layers)) return E_FAIL;
      break;
    case kMorphModeFromTrack:
      if (!IsStepTrackValid(*lipsync->GetTrack(), layers)) return E_FAIL;
      break;
    default:
      break;
  }
  IVeyaBlink* blink = m_scene.m_blink;
  DWORD blinkLayers[2] = {0, 0};
  switch (blink->GetMode()) {
    case kMorphModeFixed:
      blink->GetLayers(blinkLayers);
      if (!IsPairValid(blinkLayers[0], layers)) return E_FAIL;
      break;
    case kMorphModeFromTrack:
      if (!IsPairTrackValid(*blink->GetTrack(), layers)) return E_FAIL;
      break;
    default:
      break;
  }
  return S_OK;
}
