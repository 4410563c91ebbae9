// Feeds a check-byte pattern and a stream to the matcher, and the stream to
// the detection over the registered patterns. Input: the pattern, a NUL,
// then the stream's bytes (no NUL: all pattern, empty stream).
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include <comobject.h>

#include "movie/CheckBytes.h"

namespace {

int MemoryFile() {
  static int fd = memfd_create("fuzz.stream", 0);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* end = data + size;
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  std::string pattern(reinterpret_cast<const char*>(data), nul ? nul - data : size);
  const uint8_t* streamBytes = nul ? nul + 1 : end;
  size_t streamSize = size_t(end - streamBytes);

  int fd = MemoryFile();
  if (fd < 0 || ftruncate(fd, 0) != 0 ||
      pwrite(fd, streamBytes, streamSize, 0) != ssize_t(streamSize)) {
    return 0;
  }
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  IReadAccesser* stream = nullptr;
  if (FAILED(OpenReadAccesser(&stream, path.c_str()))) return 0;

  // The answer depends on the bytes only, never on where the stream was left.
  bool first = tavorin::movie::MatchCheckBytes(stream, pattern.c_str());
  stream->Seek(LONG(streamSize / 2), 0);
  if (tavorin::movie::MatchCheckBytes(stream, pattern.c_str()) != first) __builtin_trap();
  tavorin::movie::DetectStreamSubtype(stream);
  stream->Release();
  return 0;
}
