// `scenetool check`: walks the "VMF4" framing, runs every object chunk
// through its component's own reader, then loads the whole scene, and lists
// every problem found with the chunk's tag and file offset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/scenetool/ToolDevice.h"

namespace scenetool {

struct ChunkProblem {
  uint64_t offset;  // of the chunk header (0 for the file header)
  std::string tag;  // "header", a chunk tag, or "scene" for the whole load
  std::string message;
};

// Every problem of the named scene (archive first, then loose file), in file
// order, the whole-scene load last. Empty when the scene is sound.
std::vector<ChunkProblem> CheckScene(const ToolDevice& device, const std::string& name,
                                     size_t* chunkCount);

}  // namespace scenetool
