// The one way soundtool commands report a problem: the message goes to
// stderr as "soundtool: <message>" and the process exits non-zero.
#pragma once

#include <stdexcept>
#include <string>

namespace soundtool {

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A command line that cannot be run as given.
struct UsageError : Failure {
  using Failure::Failure;
};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// Ended by Ctrl-C (after the fade-out), as shells report SIGINT.
inline constexpr int kExitInterrupted = 130;

}  // namespace soundtool
