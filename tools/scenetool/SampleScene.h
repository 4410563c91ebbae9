// `scenetool make-sample`: a complete character scene built in code, for
// trying the tools and the library on something with every kind of part.
#pragma once

#include <string>

#include "tools/scenetool/ToolDevice.h"

namespace scenetool {

// Writes the sample scene to `path` (through a temporary file renamed into
// place, so a failure leaves no half-written scene). Throws Failure.
void MakeSampleScene(const ToolDevice& device, const std::string& path);

}  // namespace scenetool
