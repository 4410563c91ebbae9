#include "tools/make-content/ContentArchive.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/pactool/ArchiveCreator.h"

namespace makecontent {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The archive's names are the paths the archiver is given, so it runs in a
// staging directory that holds the files under the names the tester asks
// for; the loose Chip.bmp beside it stays a real bitmap.
class Staging {
 public:
  explicit Staging(const fs::path& dir)
      : m_path(dir / ".make-content"), m_previous(fs::current_path()) {
    fs::remove_all(m_path);
    fs::create_directory(m_path);
    fs::current_path(m_path);
  }
  ~Staging() {
    std::error_code ignored;
    fs::current_path(m_previous, ignored);
    fs::remove_all(m_path, ignored);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  // Links (or copies) `source` in under `name`.
  void Add(const fs::path& source, const std::string& name) {
    std::error_code error;
    fs::create_hard_link(source, name, error);
    if (error) fs::copy_file(source, name);
  }

 private:
  fs::path m_path;
  fs::path m_previous;
};

}  // namespace

void MakeContentArchive(const std::string& dir, const std::vector<uint8_t>& rawChip) {
  fs::path root = fs::absolute(dir);
  Staging staging(root);
  staging.Add(root / "Test0.avi", "Test0.avi");
  staging.Add(root / "Test1.avi", "Test1.avi");
  WriteFile("Chip.bmp", rawChip);
  pactool::CreateArchive((root / "Data.pac").string(), {"Test0.avi", "Test1.avi", "Chip.bmp"},
                         std::nullopt);
}

}  // namespace makecontent
