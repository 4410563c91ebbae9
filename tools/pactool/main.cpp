// pactool: creates, lists, extracts, prints and verifies resource archives.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tools/pactool/ArchiveCommands.h"
#include "tools/pactool/ArchiveCreator.h"
#include "tools/pactool/Failure.h"

namespace {

using namespace pactool;

const char kUsage[] =
    "usage:\n"
    "  pactool create OUT.pac [--mask HEX64 | --random-mask] PATH...\n"
    "  pactool list [--long] ARCHIVE\n"
    "  pactool extract ARCHIVE [NAME...] [-C DIR]\n"
    "  pactool cat ARCHIVE NAME\n"
    "  pactool verify ARCHIVE\n";

struct UsageError : Failure {
  using Failure::Failure;
};

int Create(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("create: the archive name is missing");
  std::optional<MaskCode> mask;
  std::vector<std::string> paths;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--mask" || args[i] == "--random-mask") {
      if (mask) throw UsageError("create: give one --mask or --random-mask");
      if (args[i] == "--random-mask") {
        mask = RandomMaskCode();
      } else if (i + 1 < args.size()) {
        mask = ParseMaskCode(args[++i]);
      } else {
        throw UsageError("--mask needs 64 hexadecimal digits");
      }
    } else {
      paths.push_back(args[i]);
    }
  }
  CreateArchive(args[0], paths, mask);
  return kExitOk;
}

int List(const std::vector<std::string>& args) {
  bool longFormat = !args.empty() && args[0] == "--long";
  if (args.size() != (longFormat ? 2u : 1u)) throw UsageError("list takes one archive");
  ListArchive(args.back(), longFormat);
  return kExitOk;
}

int Extract(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("extract: the archive name is missing");
  std::string directory = ".";
  std::vector<std::string> names;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-C") {
      if (i + 1 == args.size()) throw UsageError("-C needs a directory");
      directory = args[++i];
    } else {
      names.push_back(args[i]);
    }
  }
  ExtractArchive(args[0], names, directory);
  return kExitOk;
}

int Cat(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError("cat takes an archive and one name");
  CatEntry(args[0], args[1]);
  return kExitOk;
}

int Verify(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError("verify takes one archive");
  return VerifyArchive(args[0]) ? kExitOk : kExitFailure;
}

int Run(const std::string& command, const std::vector<std::string>& args) {
  if (command == "create") return Create(args);
  if (command == "list") return List(args);
  if (command == "extract") return Extract(args);
  if (command == "cat") return Cat(args);
  if (command == "verify") return Verify(args);
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
    std::fprintf(stderr, "pactool: %s\n%s", e.what(), kUsage);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pactool: %s\n", e.what());
    return kExitFailure;
  }
}
