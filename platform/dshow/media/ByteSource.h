// Random-access byte sources the movie engine reads its files through.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavorin::dshow::media {

// Where a movie's bytes come from. The splitter filter maps the upstream
// pin's IAsyncReader onto it: `length` from Length(), `readAt` from SyncRead
// with the size clamped to what remains, so the count read is known.
struct ByteSource {
  // Reads up to `size` bytes at `offset` into `buffer`. Returns the count
  // read, 0 at or past the end, negative on a read error. Called only from
  // the thread that is using the CMediaFile at that moment.
  std::function<int(int64_t offset, void* buffer, int size)> readAt;
  // Total size in bytes; must be known (>= 0).
  int64_t length = -1;
};

// A source over bytes in memory, shared so the bytes live as long as the
// source's copies do.
ByteSource MemoryByteSource(std::shared_ptr<const std::vector<uint8_t>> bytes);

// A source over a file on disk. False (and `*out` untouched) when the file
// cannot be opened. The file stays open while any copy of the source lives.
bool FileByteSource(const std::string& path, ByteSource* out);

}  // namespace tavorin::dshow::media
