// Runs command-line programs from tests: what they print and how they end.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/TempDir.h"

namespace tavorin::test {

struct Outcome {
  int exitCode;
  std::string out;
};

// Runs `command` through the shell and keeps its standard output; the exit
// code is -1 when it did not exit normally.
inline Outcome RunCommand(const std::string& command) {
  Outcome outcome{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char piece[65536];
  for (size_t got; (got = fread(piece, 1, sizeof(piece), pipe)) > 0;)
    outcome.out.append(piece, got);
  int status = pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

// Runs `tool` with `args` (shell words) in `dir`; its standard error is kept
// in dir/err for ToolStderr.
inline Outcome RunTool(const TempDir& dir, const std::string& tool, const std::string& args) {
  return RunCommand("cd '" + dir.path().string() + "' && " + tool + " " + args + " 2>err");
}

inline std::string ToolStderr(const TempDir& dir) {
  std::vector<uint8_t> err = dir.Read("err");
  return std::string(err.begin(), err.end());
}

}  // namespace tavorin::test
