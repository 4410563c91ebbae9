// A private directory for the tool's intermediate files, removed with
// everything in it. Made with mkdtemp, so no other user can have planted a
// file or link under the names the tool writes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tools/scenetool/Failure.h"

namespace scenetool {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "scenetool-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw Failure("cannot make a temporary directory");
    m_path = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  std::string File(const char* name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

}  // namespace scenetool
