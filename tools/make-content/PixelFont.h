// A 5 × 7 pixel font for the few labels the sample content carries.
#pragma once

#include "tools/make-content/Image.h"

namespace makecontent {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;

// Draws `text` with its top-left corner at (x, y), each font pixel a
// scale × scale block, one blank font column between characters. Only the
// characters the labels use are drawn; others leave a gap.
void DrawText(Image& image, int x, int y, const char* text, int scale, uint32_t color);

// The width `text` takes at `scale`.
int TextWidth(const char* text, int scale);

}  // namespace makecontent
