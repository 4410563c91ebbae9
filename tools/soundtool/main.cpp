// soundtool: shows and plays wave and Ogg Vorbis sounds, from Data.pac in
// the current directory or from loose files.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/soundtool/Failure.h"
#include "tools/soundtool/SoundCommands.h"

namespace {

using namespace soundtool;

const char kUsage[] =
    "usage:\n"
    "  soundtool info FILE\n"
    "  soundtool play FILE [--loops N] [--loop-start MS] [--volume V] [--pan P]\n"
    "                      [--frequency F] [--fade-out MS]\n"
    "FILE is taken from Data.pac in the current directory, else as a loose file.\n"
    "--loops: passes in all, 0 until Ctrl-C (1); --loop-start: where later passes\n"
    "begin; --volume: -10000 (silent) ... 0 hundredths of a dB (0); --pan: -10000\n"
    "(left) ... 10000 (right) (0); --frequency: 10 ... 2000 per mille of the\n"
    "sound's speed (1000); --fade-out: how long Ctrl-C fades before stopping (500).\n";

int Run(const std::string& command, const std::vector<std::string>& args) {
  if (command == "info") {
    if (args.size() != 1) throw UsageError("info takes one file");
    return Info(args[0]);
  }
  if (command == "play") return Play(ParsePlayOptions(args));
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  throw UsageError("unknown command \"" + command + "\"");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  try {
    return Run(argv[1], std::vector<std::string>(argv + 2, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "soundtool: %s\n%s", e.what(), kUsage);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "soundtool: %s\n", e.what());
    return kExitFailure;
  }
}
