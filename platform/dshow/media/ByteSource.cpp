// Byte sources over memory and over files, for the engine's own callers.
#include "platform/dshow/media/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace tavorin::dshow::media {

ByteSource MemoryByteSource(std::shared_ptr<const std::vector<uint8_t>> bytes) {
  ByteSource source;
  source.length = static_cast<int64_t>(bytes->size());
  source.readAt = [bytes](int64_t offset, void* buffer, int size) -> int {
    if (offset < 0 || size < 0) return -1;
    if (offset >= static_cast<int64_t>(bytes->size())) return 0;
    size_t count = std::min(static_cast<size_t>(size), bytes->size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes->data() + offset, count);
    return static_cast<int>(count);
  };
  return source;
}

namespace {

struct FileHandle {
  explicit FileHandle(int descriptor) : fd(descriptor) {}
  ~FileHandle() { close(fd); }
  int fd;
};

}  // namespace

bool FileByteSource(const std::string& path, ByteSource* out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  auto handle = std::make_shared<FileHandle>(fd);
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
  out->length = status.st_size;
  // pread keeps no shared file position, so copies used on different
  // threads cannot disturb one another.
  out->readAt = [handle](int64_t offset, void* buffer, int size) -> int {
    if (offset < 0 || size < 0) return -1;
    ssize_t count;
    do {
      count = pread(handle->fd, buffer, static_cast<size_t>(size), offset);
    } while (count < 0 && errno == EINTR);
    return count < 0 ? -1 : static_cast<int>(count);
  };
  return true;
}

}  // namespace tavorin::dshow::media
