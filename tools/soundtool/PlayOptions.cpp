#include "tools/soundtool/PlayOptions.h"

#include <cerrno>
#include <cstdlib>

#include "tools/soundtool/Failure.h"

namespace soundtool {
namespace {

int ParseInt(const std::string& option, const std::string& text, long low, long high) {
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) {
    throw UsageError(option + " takes a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not \"" + text + "\"");
  }
  return int(value);
}

}  // namespace

PlayOptions ParsePlayOptions(const std::vector<std::string>& args) {
  struct Numeric {
    const char* name;
    int PlayOptions::*field;
    long low, high;
  };
  static const Numeric kNumeric[] = {
      {"--loops", &PlayOptions::loops, 0, 1000000},
      {"--loop-start", &PlayOptions::loopStartMs, 0, 2147483647},
      {"--volume", &PlayOptions::volume, -10000, 0},
      {"--pan", &PlayOptions::pan, -10000, 10000},
      {"--frequency", &PlayOptions::frequency, 10, 2000},
      {"--fade-out", &PlayOptions::fadeOutMs, 1, 600000},
  };
  PlayOptions options;
  bool haveFile = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const Numeric* numeric = nullptr;
    for (const Numeric& candidate : kNumeric) {
      if (arg == candidate.name) numeric = &candidate;
    }
    if (numeric != nullptr) {
      if (i + 1 == args.size()) throw UsageError(arg + " needs a value");
      options.*(numeric->field) = ParseInt(arg, args[++i], numeric->low, numeric->high);
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option \"" + arg + "\"");
    } else if (haveFile) {
      throw UsageError("play takes one file");
    } else {
      options.file = arg;
      haveFile = true;
    }
  }
  if (!haveFile) throw UsageError("play: the file name is missing");
  return options;
}

}  // namespace soundtool
