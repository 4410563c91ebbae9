// make-content: writes the tester's sample content into a directory:
// Chip.bmp, Test0.avi, Test1.avi and Data.pac holding the movies and the
// chip as a raw texture.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tools/make-content/ChipImage.h"
#include "tools/make-content/ContentArchive.h"
#include "tools/make-content/TestMovies.h"

namespace {

namespace fs = std::filesystem;
using namespace makecontent;

void WriteAtomically(const fs::path& path, const std::vector<uint8_t>& bytes) {
  fs::path partial = path.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + partial.string());
  }
  fs::rename(partial, path);
}

void MakeContent(const fs::path& dir, double seconds) {
  fs::create_directories(dir);
  Image chip = MakeChipImage();
  WriteAtomically(dir / "Chip.bmp", EncodeBitmap(chip));
  for (int index = 0; index < 2; ++index) {
    MakeTestMovie((dir / ("Test" + std::to_string(index) + ".avi")).string(), index, seconds);
  }
  // Last, so that a complete Data.pac means complete content.
  MakeContentArchive(dir.string(), EncodeRawTexture(chip));
}

}  // namespace

int main(int argc, char** argv) {
  // Shorter movies keep end-to-end runs short.
  double seconds = kMovieSeconds;
  if (argc == 4 && std::string(argv[1]) == "--seconds") {
    seconds = std::atof(argv[2]);
    argv += 2;
    argc -= 2;
  }
  if (argc != 2 || argv[1][0] == '-' || !(seconds > 0 && seconds <= 3600)) {
    std::fprintf(stderr, "usage: make-content [--seconds N] DIR\n");
    return 2;
  }
  try {
    MakeContent(argv[1], seconds);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "make-content: %s\n", failure.what());
    return 1;
  }
  return 0;
}
