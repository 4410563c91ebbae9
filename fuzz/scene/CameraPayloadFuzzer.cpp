// Feeds arbitrary bytes to the "CAM " payload reader and rewrites what it
// accepted.
#include <cstring>

#include "IVeyaCamera.h"
#include "fuzz/scene/ComponentFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavorin::fuzz::FuzzComponent<IVeyaCamera>(data, size, CreateCamera,
                                                   [](IVeyaCamera* camera) {
                                                     const char* name = camera->GetName();
                                                     if (name != nullptr) {
                                                       tavorin::fuzz::Check(std::strlen(name) > 0);
                                                     }
                                                   });
}
