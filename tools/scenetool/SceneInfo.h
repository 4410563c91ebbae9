// `scenetool info`: what a scene holds, table by table, with the frames its
// keyed tracks cover.
#pragma once

#include <cstdio>
#include <string>

#include "IVeya2.h"
#include "tools/scenetool/SceneSource.h"

namespace scenetool {

// Prints the summary of `scene`, loaded from `bytes`, to `out`.
void PrintSceneInfo(std::FILE* out, IVeya2* scene, const Bytes& bytes);

}  // namespace scenetool
