#include "tools/make-content/ChipImage.h"

#include "pack/LittleEndian.h"
#include "tools/make-content/PixelFont.h"

namespace makecontent {
namespace {

using tavorin::pack::StoreLe32;

struct Row {
  const char* label;
  uint32_t background;
  uint32_t frame;
};

constexpr Row kRows[kChipRows] = {
    {"Test0 playing", 0xFF1A3A8C, 0xFF6F8FE0},
    {"Test1 playing", 0xFF9C3A10, 0xFFF09060},
    {"both played", 0xFF1E7A2E, 0xFF70D080},
};
constexpr uint32_t kInk = 0xFFFFFFFF;
constexpr int kTextScale = 2;

void DrawRow(Image& image, int index) {
  const Row& row = kRows[index];
  int top = index * kChipRowHeight;
  for (int y = 0; y < kChipRowHeight; ++y) {
    for (int x = 0; x < kChipWidth; ++x) {
      bool edge = y == 0 || y == kChipRowHeight - 1 || x == 0 || x == kChipWidth - 1;
      image.Set(x, top + y, edge ? row.frame : row.background);
    }
  }
  int textTop = top + (kChipRowHeight - kGlyphHeight * kTextScale) / 2;
  DrawText(image, 8, textTop, row.label, kTextScale, kInk);
}

void StoreLe16(uint8_t* bytes, uint16_t value) {
  bytes[0] = uint8_t(value);
  bytes[1] = uint8_t(value >> 8);
}

}  // namespace

Image MakeChipImage() {
  Image image(kChipWidth, kChipRowHeight * kChipRows, 0xFF000000);
  for (int row = 0; row < kChipRows; ++row) DrawRow(image, row);
  return image;
}

std::vector<uint8_t> EncodeBitmap(const Image& image) {
  constexpr uint32_t kHeaderSize = 14 + 40;
  uint32_t stride = (uint32_t(image.width) * 3 + 3) & ~3u;
  uint32_t pixelBytes = stride * uint32_t(image.height);
  std::vector<uint8_t> file(kHeaderSize + pixelBytes, 0);
  uint8_t* p = file.data();
  p[0] = 'B';
  p[1] = 'M';
  StoreLe32(p + 2, kHeaderSize + pixelBytes);
  StoreLe32(p + 10, kHeaderSize);
  StoreLe32(p + 14, 40);
  StoreLe32(p + 18, uint32_t(image.width));
  StoreLe32(p + 22, uint32_t(image.height));  // positive: bottom row first
  StoreLe16(p + 26, 1);
  StoreLe16(p + 28, 24);
  StoreLe32(p + 34, pixelBytes);
  StoreLe32(p + 38, 2835);  // 72 dpi
  StoreLe32(p + 42, 2835);
  for (int y = 0; y < image.height; ++y) {
    uint8_t* out = p + kHeaderSize + size_t(image.height - 1 - y) * stride;
    for (int x = 0; x < image.width; ++x) {
      uint32_t pixel = image.At(x, y);
      *out++ = uint8_t(pixel);
      *out++ = uint8_t(pixel >> 8);
      *out++ = uint8_t(pixel >> 16);
    }
  }
  return file;
}

std::vector<uint8_t> EncodeRawTexture(const Image& image) {
  std::vector<uint8_t> file(12 + image.pixels.size() * 4);
  StoreLe32(file.data(), tavorin::pack::MakeTag("TEEV"));
  StoreLe32(file.data() + 4, uint32_t(image.width));
  StoreLe32(file.data() + 8, uint32_t(image.height));
  for (size_t i = 0; i < image.pixels.size(); ++i)
    StoreLe32(file.data() + 12 + 4 * i, image.pixels[i]);
  return file;
}

}  // namespace makecontent
