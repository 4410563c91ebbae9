// The options of "soundtool play", read from the command line.
#pragma once

#include <string>
#include <vector>

namespace soundtool {

struct PlayOptions {
  std::string file;
  int loops = 1;         // passes in all; 0 plays until Ctrl-C
  int loopStartMs = 0;   // where later passes begin
  int volume = 0;        // hundredths of a decibel, -10000 … 0
  int pan = 0;           // -10000 (left) … 10000 (right)
  int frequency = 1000;  // per mille of the sound's own rate, 10 … 2000
  int fadeOutMs = 500;   // how long Ctrl-C takes to fade the sound out
};

// Reads the file name and options; throws UsageError for anything unknown,
// missing, malformed or out of range.
PlayOptions ParsePlayOptions(const std::vector<std::string>& args);

}  // namespace soundtool
