#include "tools/scenetool/References.h"

namespace scenetool {
namespace {

constexpr int kRegisterCount = 78;

std::string OutOf(const char* what, long index, WORD count, const char* table) {
  return std::string(what) + " names " + table + " " + std::to_string(index) + "; the file has " +
         std::to_string(count);
}

bool IsLayerOrNone(WORD layer, WORD count) {
  return layer == 0xFFFF || layer < count;
}

// A link names no motion (-1) or one in the table, and no register (-1) or
// one of the shading service's.
std::string LinkProblem(const MotionLink& link, WORD motions) {
  if (link.motionIndex != -1 && (link.motionIndex < 0 || WORD(link.motionIndex) >= motions)) {
    return OutOf("a motion link", link.motionIndex, motions, "motion");
  }
  if (link.matrixRegister != -1 &&
      (link.matrixRegister < 0 || link.matrixRegister >= kRegisterCount)) {
    return "a motion link names register " + std::to_string(link.matrixRegister) +
           "; registers run from 0 to 77";
  }
  return {};
}

void CheckLayer(const Placed<IVeyaLayer>& placed, const SceneParts& parts,
                const ProblemSink& report) {
  IVeyaLayer* layer = placed.component.Get();
  auto say = [&](const std::string& message) { report(placed.offset, "LYER", message); };
  for (WORD m = 0; m < layer->GetMeshCount(); ++m) {
    const WORD surface = layer->GetMesh(m)->surfaceIndex;
    if (surface >= parts.surfaceCount) {
      say(OutOf(("mesh " + std::to_string(m)).c_str(), surface, parts.surfaceCount, "surface"));
    }
  }
  for (WORD b = 0; b < layer->GetBoneCount(); ++b) {
    const WORD motion = layer->GetBone(b)->motionIndex;
    if (motion != 0xFFFF && motion >= parts.motionCount) {
      say(OutOf(("bone " + std::to_string(b)).c_str(), motion, parts.motionCount, "motion"));
    }
  }
  MotionLink link{};
  layer->GetMainMotionLink(&link);
  std::string problem = LinkProblem(link, parts.motionCount);
  if (!problem.empty()) say("the main link: " + problem);
  for (WORD k = 0; k < layer->GetMotionLinkCount(); ++k) {
    layer->GetMotionLink(k, &link);
    problem = LinkProblem(link, parts.motionCount);
    if (!problem.empty()) say(problem);
  }
  if (layer->GetMorphEnabled()) {
    const IndexTrack& track = *layer->GetMorphTargetTrack();
    bool valid = IsLayerOrNone(track.defaultValue, parts.layerCount);
    for (WORD k = 0; k < track.keyCount; ++k)
      valid = valid && IsLayerOrNone(track.keys[k].value, parts.layerCount);
    if (!valid) say("the morph target track names a layer the file does not have");
  }
}

bool IsPairValid(DWORD pair, WORD layers) {
  return IsLayerOrNone(LOWORD(pair), layers) && IsLayerOrNone(HIWORD(pair), layers);
}

// The lip-sync and the blink name layers only while they take part in
// drawing; an idle one may keep any pair.
void CheckMorphs(const SceneParts& parts, const ProblemSink& report) {
  const WORD layers = parts.layerCount;
  for (const Placed<IVeyaLipsync>& placed : parts.lipsyncs) {
    IVeyaLipsync* lipsync = placed.component.Get();
    DWORD pair = 0;
    lipsync->GetLayers(&pair);
    bool valid = lipsync->GetMode() != kMorphModeFixed || IsPairValid(pair, layers);
    if (lipsync->GetMode() == kMorphModeFromTrack) {
      const StepTrack& track = *lipsync->GetTrack();
      valid = IsPairValid(track.defaultValue, layers);
      for (WORD k = 0; k < track.keyCount; ++k)
        valid = valid && IsPairValid(track.keys[k].value, layers);
    }
    if (!valid) report(placed.offset, "LIPS", "names a layer the file does not have");
  }
  for (const Placed<IVeyaBlink>& placed : parts.blinks) {
    IVeyaBlink* blink = placed.component.Get();
    DWORD fixed[2] = {};
    blink->GetLayers(fixed);
    bool valid = blink->GetMode() != kMorphModeFixed || IsPairValid(fixed[0], layers);
    if (blink->GetMode() == kMorphModeFromTrack) {
      const PairTrack& track = *blink->GetTrack();
      auto ok = [&](const PairValue& v) {
        return IsLayerOrNone(v.a, layers) && IsLayerOrNone(v.b, layers);
      };
      valid = ok(track.defaultValue);
      for (WORD k = 0; k < track.keyCount; ++k) valid = valid && ok(track.keys[k].value);
    }
    if (!valid) report(placed.offset, "BLNK", "names a layer the file does not have");
  }
}

// Collision bones are stored as motion indices and bound once the whole file
// is read; a motion chunk that failed on its own stands in as a blank one so
// that only indices past the table are reported here.
void CheckCollisionBones(const SceneParts& parts, const ProblemSink& report) {
  if (parts.collisionLayers.empty()) return;
  std::vector<tavorin::ComPtr<IVeyaMotion>> table(parts.motionCount);
  for (const Placed<IVeyaMotion>& placed : parts.motions) {
    const WORD index = placed.component->GetIndex();
    if (index < table.size()) table[index] = placed.component;
  }
  std::vector<IVeyaMotion*> motions;
  for (WORD m = 0; m < table.size(); ++m) {
    if (!table[m]) CreateMotion(table[m].ReleaseAndGetAddressOf(), m, nullptr, 0, nullptr);
    motions.push_back(table[m].Get());
  }
  for (const Placed<IVeyaCollisionLayer>& placed : parts.collisionLayers) {
    if (FAILED(placed.component->BindBones(motions.data(), parts.motionCount))) {
      report(placed.offset, "CLAY",
             "a vertex names a bone motion past the " + std::to_string(parts.motionCount) +
                 " motions of the file");
    }
  }
}

}  // namespace

void CheckReferences(const SceneParts& parts, const ProblemSink& report) {
  for (const Placed<IVeyaMotion>& placed : parts.motions) {
    const WORD parent = placed.component->GetParentIndex();
    if (parent != 0xFFFF && parent >= parts.motionCount) {
      report(placed.offset, "MOTI", OutOf("the parent", parent, parts.motionCount, "motion"));
    }
  }
  for (const Placed<IVeyaLayer>& placed : parts.layers) CheckLayer(placed, parts, report);
  for (const Placed<IVeyaCamera>& placed : parts.cameras) {
    const SHORT motion = placed.component->GetMotionIndex();
    if (motion != -1 && (motion < 0 || WORD(motion) >= parts.motionCount)) {
      report(placed.offset, "CAM ", OutOf("the camera", motion, parts.motionCount, "motion"));
    }
  }
  CheckMorphs(parts, report);
  CheckCollisionBones(parts, report);
}

}  // namespace scenetool
