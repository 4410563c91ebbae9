// Feeds arbitrary bytes to the archive directory parser, then reads every
// entry it accepted to its end.
#include <IPackReader.h>
#include <comobject.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The archive lives in a memory file; its /proc path reopens it like a disk
// file without touching the disk.
int MemoryFile() {
  static int fd = memfd_create("fuzz.pac", 0);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = MemoryFile();
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  IPackReader* reader = nullptr;
  if (FAILED(OpenPackReader(&reader, path.c_str()))) {
    if (reader != nullptr) __builtin_trap();
    return 0;
  }
  DWORD count = reader->GetFileCount();
  if (count > size) __builtin_trap();
  BYTE piece[256];
  for (DWORD i = 0; i < count; ++i) {
    const PackEntry* entry = reader->GetEntry(i);
    if (entry->offset + entry->size > size) __builtin_trap();
    if (!reader->Contains(entry->name)) __builtin_trap();
    IReadAccesser* stream = nullptr;
    if (FAILED(reader->OpenFileByIndex(&stream, i))) __builtin_trap();
    DWORD total = 0;
    for (DWORD got; (got = stream->Read(piece, sizeof(piece))) > 0;) total += got;
    if (total != entry->size || !stream->IsEof()) __builtin_trap();
    stream->Release();
  }
  if (reader->GetEntry(count) != nullptr) __builtin_trap();
  reader->Release();
  return 0;
}
