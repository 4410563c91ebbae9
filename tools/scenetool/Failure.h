// The one way scenetool commands report a problem: the message goes to
// stderr as "scenetool: <message>" and the process exits non-zero.
#pragma once

#include <stdexcept>
#include <string>

namespace scenetool {

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A command line the tool cannot act on; the usage text follows the message.
struct UsageError : Failure {
  using Failure::Failure;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace scenetool
