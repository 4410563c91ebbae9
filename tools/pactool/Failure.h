// The one way pactool commands report a problem: the message goes to stderr
// as "pactool: <message>" and the process exits non-zero.
#pragma once

#include <stdexcept>
#include <string>

namespace pactool {

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace pactool
