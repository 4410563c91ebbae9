// The check bytes of the stream types the platform's splitter opens, as the
// registry holds them under "Media Type\{MEDIATYPE_Stream}\{subtype}".
#pragma once

#include <vector>

namespace tavorin::win32 {

inline constexpr const char* kMediaTypeStreamKey =
    "Media Type\\{e436eb83-524f-11ce-9f53-0020af0ba770}";

// One subtype and its alternative patterns, stored as the values "0", "1", …
// in this order. Each pattern is "offset, length, mask, value" quadruples
// that must all hold; any one pattern identifies the type.
struct MediaTypeCheckBytes {
  const char* subtype;  // the subkey name, "{…}"
  std::vector<const char*> patterns;
};

const std::vector<MediaTypeCheckBytes>& MediaTypeCheckBytesTable();

}  // namespace tavorin::win32
