// The commands that read an archive.
#pragma once

#include <string>
#include <vector>

namespace pactool {

// Each throws Failure with a message for the user; verify returns false when
// it found problems (they are printed on stderr).
void ListArchive(const std::string& archive, bool longFormat);
void ExtractArchive(const std::string& archive, const std::vector<std::string>& names,
                    const std::string& directory);
void CatEntry(const std::string& archive, const std::string& name);
bool VerifyArchive(const std::string& archive);

// True when `name` can be written below a directory without leaving it:
// relative, no ".." component, not empty.
bool IsSafeName(const std::string& name);

}  // namespace pactool
