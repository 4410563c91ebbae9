// The commands of soundtool.
#pragma once

#include <string>

#include "tools/soundtool/PlayOptions.h"

namespace soundtool {

// Prints the sound's kind, format, length and (for wave files) its chunks.
// Returns the exit code; throws Failure for what cannot be read.
int Info(const std::string& file);
// Plays the sound to its end, or fades it out on Ctrl-C. Returns the exit
// code; throws Failure for what cannot be played.
int Play(const PlayOptions& options);

}  // namespace soundtool
