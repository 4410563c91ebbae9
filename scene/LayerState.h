// Everything a layer holds, shared by the layer object and its payload
// reader and writer.
#pragma once

#include <cstring>
#include <memory>
#include <new>

#include "IVeyaLayer.h"
#include "scene/LayerTables.h"

namespace tavorin::scene {

struct LayerState {
  LayerState() {
    visibility.enabled = 0;
    visibility.defaultValue = 1;
    morphTarget.defaultValue = 0xFFFF;
    morphWeight.defaultValue = 1.0f;
  }

  SHORT index = 0;
  std::unique_ptr<char[]> name;
  D3DXVECTOR3 boxMin{0, 0, 0};
  D3DXVECTOR3 boxMax{0, 0, 0};
  DWORD show = 0;
  StepTrack visibility;
  DWORD depthPrepass = 0;
  MeshTable meshes;
  BoneTable bones;
  LinkTable links;
  MotionLink mainLink{-1, 0};
  DWORD morphEnabled = 0;
  IndexTrack morphTarget;
  ScalarTrack morphWeight;
};

// A copy of `text` in a new array, or null when `text` is null or the copy
// cannot be allocated (`*failed` tells the two apart).
inline std::unique_ptr<char[]> CopyText(const char* text, bool* failed) {
  *failed = false;
  if (text == nullptr) return nullptr;
  const size_t length = std::strlen(text);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  if (!copy) {
    *failed = true;
    return nullptr;
  }
  std::memcpy(copy.get(), text, length + 1);
  return copy;
}

}  // namespace tavorin::scene
