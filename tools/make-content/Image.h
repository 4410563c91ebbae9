// An image in memory for the content the tool draws itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace makecontent {

// Pixels as A8R8G8B8 values, rows top to bottom.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  Image(int w, int h, uint32_t fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  void Set(int x, int y, uint32_t color) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[size_t(y) * width + x] = color;
  }
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

}  // namespace makecontent
