// The status chip: three stacked rows that tell which test movie plays.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/make-content/Image.h"

namespace makecontent {

inline constexpr int kChipWidth = 242;
inline constexpr int kChipRowHeight = 21;
inline constexpr int kChipRows = 3;

// Row 0 "Test0 playing", row 1 "Test1 playing", row 2 "both played", each on
// its own background colour with a lighter frame; opaque.
Image MakeChipImage();

// A 24-bit uncompressed bottom-up bitmap file.
std::vector<uint8_t> EncodeBitmap(const Image& image);

// A raw "TEEV" texture: magic, width, height, then B, G, R, A bytes per
// pixel, top row first.
std::vector<uint8_t> EncodeRawTexture(const Image& image);

}  // namespace makecontent
