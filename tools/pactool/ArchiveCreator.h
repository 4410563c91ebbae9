// Writes a new archive from files and directory trees.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pactool {

using MaskCode = std::array<uint8_t, 32>;

// Parses 64 hexadecimal digits; throws Failure otherwise.
MaskCode ParseMaskCode(const std::string& hex);
MaskCode RandomMaskCode();

// Stores every file under `paths` (files, or directories walked recursively)
// with its relative path as given, '/'-separated, as its name. Writes to a
// temporary file beside `output` and renames it at the end, so a failed run
// leaves no half-written archive. Throws Failure.
void CreateArchive(const std::string& output, const std::vector<std::string>& paths,
                   const std::optional<MaskCode>& mask);

// The name as stored: "." and empty components dropped. Throws Failure for
// absolute names and names with "..", which could not be extracted safely.
std::string StoredName(const std::string& path);

}  // namespace pactool
