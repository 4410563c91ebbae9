#include "tools/scenetool/SceneCommands.h"

#include <cstdio>
#include <filesystem>

#include "tools/scenetool/ChunkCheck.h"
#include "tools/scenetool/Failure.h"
#include "tools/scenetool/SceneInfo.h"
#include "tools/scenetool/SceneSource.h"
#include "tools/scenetool/ScratchDirectory.h"

namespace scenetool {
namespace {

using tavorin::ComPtr;

Bytes SavedBytes(IVeya2* scene) {
  ScratchDirectory scratch;
  const std::string path = scratch.File("saved.vmf");
  const HRESULT hr = scene->Save(path.c_str());
  if (FAILED(hr)) throw Failure("saving the scene failed: " + ResultText(hr));
  return ReadSceneBytes(path);
}

// Poses every component at `frame` (a one-frame range, so any frame,
// negative ones too, is reached at time 0).
void PoseAt(IVeya2* scene, INT frame) {
  const HRESULT hr = scene->SetPlayTime(0, frame, frame, 1);
  if (FAILED(hr)) throw Failure("posing at frame " + std::to_string(frame) + " failed");
}

std::string JsonString(const char* text) {
  std::string quoted = "\"";
  for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if (byte == '"' || byte == '\\') {
      quoted += '\\';
      quoted += char(byte);
    } else if (byte < 0x20 || byte >= 0x7F) {
      // Names are in the system code page, not UTF-8: escape them byte-wise
      // so the output is always valid JSON.
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += char(byte);
    }
  }
  return quoted + "\"";
}

void PrintPoseText(IVeya2* scene, INT frame) {
  std::printf("frame %d\n", frame);
  for (WORD m = 0; m < scene->GetMotionCount(); ++m) {
    ComPtr<IVeyaMotion> motion(scene->GetMotion(m));
    D3DXMATRIX world;
    motion->GetWorldMatrix(&world);
    std::printf("motion %u \"%s\"\n", m, motion->GetName() != nullptr ? motion->GetName() : "");
    for (int row = 0; row < 4; ++row) {
      std::printf("  %12.6g %12.6g %12.6g %12.6g\n", world.m[row][0], world.m[row][1],
                  world.m[row][2], world.m[row][3]);
    }
  }
}

void PrintPoseJson(IVeya2* scene, INT frame) {
  std::printf("{\"frame\": %d, \"motions\": [", frame);
  for (WORD m = 0; m < scene->GetMotionCount(); ++m) {
    ComPtr<IVeyaMotion> motion(scene->GetMotion(m));
    D3DXMATRIX world;
    motion->GetWorldMatrix(&world);
    const WORD parent = motion->GetParentIndex();
    std::printf("%s\n  {\"index\": %u, \"name\": %s, \"parent\": %s, \"world\": [", m ? "," : "", m,
                JsonString(motion->GetName()).c_str(),
                parent == 0xFFFF ? "null" : std::to_string(parent).c_str());
    for (int k = 0; k < 16; ++k) std::printf("%s%.9g", k ? ", " : "", world.m[k / 4][k % 4]);
    std::printf("]}");
  }
  std::printf("\n]}\n");
}

}  // namespace

int InfoCommand(const ToolDevice& device, const std::string& name) {
  ComPtr<IVeya2> scene = LoadToolScene(device, name);
  PrintSceneInfo(stdout, scene.Get(), ReadSceneBytes(name));
  return kExitOk;
}

int CheckCommand(const ToolDevice& device, const std::string& name) {
  size_t chunks = 0;
  const std::vector<ChunkProblem> problems = CheckScene(device, name, &chunks);
  for (const ChunkProblem& problem : problems) {
    std::printf("%s: offset %llu %s: %s\n", name.c_str(),
                static_cast<unsigned long long>(problem.offset), problem.tag.c_str(),
                problem.message.c_str());
  }
  if (!problems.empty()) {
    std::printf("%s: %zu problems\n", name.c_str(), problems.size());
    return kExitFailure;
  }
  std::printf("%s: ok, %zu chunks, the scene loads\n", name.c_str(), chunks);
  return kExitOk;
}

int RoundtripCommand(const ToolDevice& device, const std::string& name) {
  const Bytes original = ReadSceneBytes(name);
  ComPtr<IVeya2> scene = LoadToolScene(device, name);
  const Bytes saved = SavedBytes(scene.Get());
  size_t at = 0;
  while (at < original.size() && at < saved.size() && original[at] == saved[at]) ++at;
  if (at == original.size() && at == saved.size()) {
    std::printf("%s: %zu bytes saved back identically\n", name.c_str(), saved.size());
    return kExitOk;
  }
  std::printf("%s: the saved scene differs from offset %zu (%zu bytes read, %zu saved)\n",
              name.c_str(), at, original.size(), saved.size());
  return kExitFailure;
}

int PoseCommand(const ToolDevice& device, const std::string& name, INT frame, bool json) {
  ComPtr<IVeya2> scene = LoadToolScene(device, name);
  PoseAt(scene.Get(), frame);
  if (json) {
    PrintPoseJson(scene.Get(), frame);
  } else {
    PrintPoseText(scene.Get(), frame);
  }
  return kExitOk;
}

int HitCommand(const ToolDevice& device, const std::string& name, WORD layer,
               const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, INT frame) {
  ComPtr<IVeya2> scene = LoadToolScene(device, name);
  if (layer >= scene->GetCollisionLayerCount()) {
    throw Failure("the scene has " + std::to_string(scene->GetCollisionLayerCount()) +
                  " collision layers; there is no layer " + std::to_string(layer));
  }
  if (D3DXVec3LengthSq(&direction) == 0.0f) throw Failure("the direction is zero");
  PoseAt(scene.Get(), frame);
  scene->UpdateCollisionLayer(layer);
  const D3DXVECTOR3 through = origin + direction;
  D3DXVECTOR3 hit;
  WORD mesh = 0, polygon = 0;
  const WORD group = scene->HitTestCollisionLayer(layer, &hit, &mesh, &polygon, &origin, &through,
                                                  kCollisionRangeRay, kCollisionPickNearest);
  if (group == 0xFFFF) {
    std::printf("no hit\n");
    return kExitOk;
  }
  const D3DXVECTOR3 offset = hit - origin;
  std::printf("hit at (%g, %g, %g), distance %g, group %u, mesh %u, polygon %u\n", hit.x, hit.y,
              hit.z, D3DXVec3Length(&offset), group, mesh, polygon);
  return kExitOk;
}

}  // namespace scenetool
