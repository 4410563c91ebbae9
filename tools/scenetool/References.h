// The cross-references between the components of a scene file: every index
// a component holds into another table must name something there.
#pragma once

#include <comobject.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "IVeya2.h"

namespace scenetool {

template <class Interface>
struct Placed {
  uint64_t offset;  // of the chunk the component came from
  tavorin::ComPtr<Interface> component;
};

// What the checker read, with the sizes of the tables the loader would fill.
struct SceneParts {
  std::vector<Placed<IVeyaLayer>> layers;
  std::vector<Placed<IVeyaMotion>> motions;
  std::vector<Placed<IVeyaCamera>> cameras;
  std::vector<Placed<IVeyaCollisionLayer>> collisionLayers;
  std::vector<Placed<IVeyaLipsync>> lipsyncs;
  std::vector<Placed<IVeyaBlink>> blinks;
  WORD layerCount = 0;
  WORD surfaceCount = 0;
  WORD motionCount = 0;
};

using ProblemSink =
    std::function<void(uint64_t offset, const std::string& tag, const std::string& message)>;

// Reports every index out of its table, with the chunk that holds it.
void CheckReferences(const SceneParts& parts, const ProblemSink& report);

}  // namespace scenetool
