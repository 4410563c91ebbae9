// The scenetool commands that work on a loaded scene. Each prints to stdout,
// throws Failure for what it cannot do and returns the process exit code.
#pragma once

#include <string>

#include "tools/scenetool/ToolDevice.h"

namespace scenetool {

int InfoCommand(const ToolDevice& device, const std::string& name);
// Lists every problem with its chunk tag and offset; 1 when there is any.
int CheckCommand(const ToolDevice& device, const std::string& name);
// Saves the loaded scene and compares the bytes with the file's; 1 with the
// first differing offset.
int RoundtripCommand(const ToolDevice& device, const std::string& name);
// The world matrix of every motion at `frame`, as text or JSON.
int PoseCommand(const ToolDevice& device, const std::string& name, INT frame, bool json);
// The nearest hit of the ray from `origin` along `direction` on one
// collision layer posed at `frame`; "no hit" is a result, not an error.
int HitCommand(const ToolDevice& device, const std::string& name, WORD layer,
               const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, INT frame);

}  // namespace scenetool
