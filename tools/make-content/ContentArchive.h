// The archive the tester reads first: the movies and the raw chip texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace makecontent {

// Writes `dir`/Data.pac holding Test0.avi and Test1.avi from `dir` and
// `rawChip` stored as "Chip.bmp". Throws std::runtime_error.
void MakeContentArchive(const std::string& dir, const std::vector<uint8_t>& rawChip);

}  // namespace makecontent
