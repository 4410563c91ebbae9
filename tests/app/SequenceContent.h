// Small content for the tester's tests, made with the ffmpeg command-line
// tool: a chip image of three solid rows and two short solid-colour movies.
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "support/TempDir.h"

namespace tavorin::test {

// Colours (0xRRGGBB) of the chip rows and of the movies' pictures.
constexpr unsigned kChipRowColours[3] = {0xFF0000, 0x00FF00, 0x0000FF};
constexpr unsigned kMovieColours[2] = {0xFFFF00, 0x00FFFF};

inline void RunFfmpeg(const std::string& arguments) {
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments;
  if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg failed: " + command);
}

// Chip.bmp, Test0.avi (with a tone) and Test1.avi (silent), 800 × 600 as
// the tester draws them (so frames take its 1:1 drawing path), each movie
// `seconds` long, in `dir`.
inline void MakeSequenceContent(const TempDir& dir, double seconds) {
  RunFfmpeg(
      "-f lavfi -i color=c=red:s=242x21 -f lavfi -i color=c=lime:s=242x21 "
      "-f lavfi -i color=c=blue:s=242x21 -filter_complex vstack=inputs=3 -frames:v 1 "
      "-pix_fmt bgr24 '" +
      dir.File("Chip.bmp") + "'");
  std::string length = std::to_string(seconds);
  RunFfmpeg("-f lavfi -i color=c=yellow:s=800x600:r=25:d=" + length +
            " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + length +
            " -c:v mjpeg -q:v 2 -pix_fmt yuvj420p -c:a pcm_s16le '" + dir.File("Test0.avi") + "'");
  RunFfmpeg("-f lavfi -i color=c=cyan:s=800x600:r=25:d=" + length +
            " -c:v mjpeg -q:v 2 -pix_fmt yuvj420p '" + dir.File("Test1.avi") + "'");
}

// The index of the colour in `colours` within 40 of `pixel` on every
// channel, or -1.
template <size_t N>
int NearestColour(unsigned pixel, const unsigned (&colours)[N]) {
  for (size_t i = 0; i < N; ++i) {
    bool near = true;
    for (int shift = 0; shift < 24; shift += 8) {
      int a = int((pixel >> shift) & 0xFF);
      int b = int((colours[i] >> shift) & 0xFF);
      if (std::abs(a - b) > 40) near = false;
    }
    if (near) return int(i);
  }
  return -1;
}

}  // namespace tavorin::test
