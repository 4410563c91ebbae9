// Where the tool takes a scene from: the archive "Data.pac" in the current
// directory when it holds the name, else the loose file of that name, the
// same order the library's resource factory uses.
#pragma once

#include <comobject.h>

#include <cstdint>
#include <string>
#include <vector>

#include "IVeya2.h"
#include "tools/scenetool/ToolDevice.h"

namespace scenetool {

using Bytes = std::vector<uint8_t>;

// The named file's bytes. Throws Failure when it cannot be opened.
Bytes ReadSceneBytes(const std::string& name);

// The named scene loaded on the tool's device. Throws Failure with the
// loader's result code when it does not load.
tavorin::ComPtr<IVeya2> LoadToolScene(const ToolDevice& device, const std::string& name);

// A result code as "0x80004005 (E_FAIL)".
std::string ResultText(HRESULT hr);

}  // namespace scenetool
