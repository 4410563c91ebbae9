// scenetool: inspects, checks, round-trips, poses and hit-tests character
// scenes, and writes a complete sample scene.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/scenetool/Failure.h"
#include "tools/scenetool/SampleScene.h"
#include "tools/scenetool/SceneCommands.h"

namespace {

using namespace scenetool;

const char kUsage[] =
    "usage:\n"
    "  scenetool info FILE\n"
    "  scenetool check FILE\n"
    "  scenetool roundtrip FILE\n"
    "  scenetool pose FILE FRAME [--json]\n"
    "  scenetool hit FILE LAYER X,Y,Z DX,DY,DZ [--frame FRAME]\n"
    "  scenetool make-sample OUT\n"
    "FILE is taken from Data.pac in the current directory when the archive\n"
    "holds it, else from the file system.\n";

using Arguments = std::vector<std::string>;

long ParseInteger(const std::string& text, long min, long max, const char* what) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < min || value > max) {
    throw UsageError(std::string(what) + " \"" + text + "\" is not a number from " +
                     std::to_string(min) + " to " + std::to_string(max));
  }
  return value;
}

INT ParseFrame(const std::string& text) {
  return INT(ParseInteger(text, -2147483647L - 1, 2147483647L, "the frame"));
}

D3DXVECTOR3 ParseVector(const std::string& text, const char* what) {
  float value[3];
  size_t at = 0;
  for (int k = 0; k < 3; ++k) {
    const size_t comma = k < 2 ? text.find(',', at) : text.size();
    if (comma == std::string::npos) break;
    const std::string piece = text.substr(at, comma - at);
    char* end = nullptr;
    value[k] = std::strtof(piece.c_str(), &end);
    if (piece.empty() || *end != '\0' || !std::isfinite(value[k])) break;
    if (k == 2) return D3DXVECTOR3(value[0], value[1], value[2]);
    at = comma + 1;
  }
  throw UsageError(std::string(what) + " \"" + text + "\" is not x,y,z");
}

void Expect(const Arguments& args, size_t count, const char* usage) {
  if (args.size() != count) throw UsageError(usage);
}

int Pose(const Arguments& args) {
  const bool json = !args.empty() && args.back() == "--json";
  Expect(args, json ? 3 : 2, "pose takes a file and a frame, and optionally --json");
  ToolDevice device;
  return PoseCommand(device, args[0], ParseFrame(args[1]), json);
}

int Hit(const Arguments& args) {
  INT frame = 0;
  Arguments rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--frame") {
      if (i + 1 == args.size()) throw UsageError("--frame needs a frame");
      frame = ParseFrame(args[++i]);
    } else {
      rest.push_back(args[i]);
    }
  }
  Expect(rest, 4, "hit takes a file, a collision layer, an origin and a direction");
  const WORD layer = WORD(ParseInteger(rest[1], 0, 0xFFFE, "the collision layer"));
  const D3DXVECTOR3 origin = ParseVector(rest[2], "the origin");
  const D3DXVECTOR3 direction = ParseVector(rest[3], "the direction");
  ToolDevice device;
  return HitCommand(device, rest[0], layer, origin, direction, frame);
}

int Run(const std::string& command, const Arguments& args) {
  if (command == "info" || command == "check" || command == "roundtrip") {
    Expect(args, 1, (command + " takes one scene file").c_str());
    ToolDevice device;
    if (command == "info") return InfoCommand(device, args[0]);
    if (command == "check") return CheckCommand(device, args[0]);
    return RoundtripCommand(device, args[0]);
  }
  if (command == "pose") return Pose(args);
  if (command == "hit") return Hit(args);
  if (command == "make-sample") {
    Expect(args, 1, "make-sample takes the output file");
    ToolDevice device;
    MakeSampleScene(device, args[0]);
    std::printf("wrote %s\n", args[0].c_str());
    return kExitOk;
  }
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  throw UsageError("unknown command \"" + command + "\"");
}

}  // namespace

int main(int argc, char** argv) {
  // The tool shows nothing and plays nothing: it needs a device, never a
  // display or a sound card, so it runs on a server or in a pipeline.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("TAVORIN_NO_MESSAGE_BOXES", "1", 0);
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  try {
    return Run(argv[1], Arguments(argv + 2, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "scenetool: %s\n%s", e.what(), kUsage);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "scenetool: %s\n", e.what());
    return kExitFailure;
  }
}
