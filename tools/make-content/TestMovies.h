// The two test movies, made by the ffmpeg tool from its own test sources.
#pragma once

#include <string>

namespace makecontent {

inline constexpr int kMovieWidth = 800;
inline constexpr int kMovieHeight = 600;
inline constexpr int kMovieRate = 30;
inline constexpr int kMovieSeconds = 5;

// The tone of movie `index` in hertz: 440 for Test0, 880 for Test1.
int MovieTone(int index);

// Writes movie `index` (0: a moving colour test pattern, 1: turning colour
// gradients) to `path` as MPEG-4 video with 16-bit PCM stereo sound in
// AVI, `seconds` long. The file appears only when complete. Throws
// std::runtime_error when ffmpeg is missing or fails.
void MakeTestMovie(const std::string& path, int index, double seconds = kMovieSeconds);

}  // namespace makecontent
