#include "tools/make-content/PixelFont.h"

#include <cstring>

namespace makecontent {
namespace {

struct Glyph {
  char character;
  const char* rows[kGlyphHeight];
};

// '#' is ink. Lower-case letters sit on the baseline of the capitals, so
// descenders are folded up into the cell.
constexpr Glyph kGlyphs[] = {
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'b', {"#....", "#....", "####.", "#...#", "#...#", "#...#", "####."}},
    {'d', {"....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'g', {".....", ".####", "#...#", "#...#", ".####", "....#", ".###."}},
    {'h', {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'p', {".....", "####.", "#...#", "#...#", "####.", "#....", "#...."}},
    {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####."}},
    {'t', {".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."}},
    {'y', {".....", ".....", "#...#", "#...#", ".####", "....#", ".###."}},
};

const Glyph* Find(char c) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.character == c) return &glyph;
  }
  return nullptr;
}

void DrawGlyph(Image& image, int x, int y, const Glyph& glyph, int scale, uint32_t color) {
  for (int row = 0; row < kGlyphHeight; ++row) {
    for (int column = 0; column < kGlyphWidth; ++column) {
      if (glyph.rows[row][column] != '#') continue;
      for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
          image.Set(x + column * scale + dx, y + row * scale + dy, color);
        }
      }
    }
  }
}

}  // namespace

void DrawText(Image& image, int x, int y, const char* text, int scale, uint32_t color) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (const Glyph* glyph = Find(*p)) DrawGlyph(image, x, y, *glyph, scale, color);
    x += (kGlyphWidth + 1) * scale;
  }
}

int TextWidth(const char* text, int scale) {
  int length = int(std::strlen(text));
  return length == 0 ? 0 : (length * (kGlyphWidth + 1) - 1) * scale;
}

}  // namespace makecontent
