// Names as scene payloads store them: the text with its terminating
// zero, in a sub-chunk of its own.
#pragma once

#include <memory>

#include "animation/TrackIo.h"

namespace tavorin::animation {

// Reads a name sub-chunk of `size` bytes. The name ends at its first zero,
// which must lie within the sub-chunk (E_FAIL otherwise). The buffer grows
// only with bytes actually delivered, so a size far beyond the stream's end
// cannot force a large allocation.
HRESULT ReadChunkName(RunReader& in, DWORD size, std::unique_ptr<char[]>* out);
// Copies `text` into `*out`; E_POINTER for null and E_OUTOFMEMORY keep the
// old value.
HRESULT CopyName(const char* text, std::unique_ptr<char[]>* out);
// Writes `name` with its zero as a sub-chunk tagged `tag`; null as "".
void WriteChunkName(RunWriter& out, DWORD tag, const char* name);

}  // namespace tavorin::animation
