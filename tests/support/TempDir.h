// A temporary directory for one test, removed with everything in it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavorin::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  // The path of `name` inside the directory, as a string for the C APIs.
  std::string File(const std::string& name) const { return (m_path / name).string(); }
  // Writes `bytes` to `name` and returns its path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
  // The whole content of `name`.
  std::vector<uint8_t> Read(const std::string& name) const;

 private:
  std::filesystem::path m_path;
};

// Makes `dir` the current directory until destroyed (the library opens
// "Data.pac" and loose files relative to it).
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& dir);
  ~CurrentDirectory();

 private:
  std::filesystem::path m_previous;
};

// `count` bytes of a repeatable pseudo-random pattern.
std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed = 1);

}  // namespace tavorin::test
