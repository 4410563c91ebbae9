// In-memory streams for the animation fuzz targets: a reader over the fuzz
// bytes (support/MemoryStream.h) and a writer that keeps what it is given.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <comobject.h>

#include "IFileReader.h"
#include "IFileWriter.h"
#include "fuzz/support/MemoryStream.h"

namespace tavorin::fuzz {

class MemoryWriter : public ComObject<IFileWriter> {
 public:
  HRESULT Init() { return S_OK; }
  void SetXorCode(BOOL, const BYTE*) override {}
  DWORD Write(const void* data, DWORD length) override {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + length);
    return length;
  }
  DWORD WriteString(const char* text) override { return Write(text, DWORD(std::strlen(text))); }
  DWORD Seek(LONG, DWORD) override { return 0xFFFFFFFF; }
  LONGLONG Seek64(LONGLONG, DWORD) override { return -1; }
  DWORD Tell() override { return DWORD(m_bytes.size()); }
  ULONGLONG Tell64() override { return m_bytes.size(); }
  BOOL Flush() override { return TRUE; }
  const std::vector<BYTE>& Bytes() const { return m_bytes; }

 private:
  std::vector<BYTE> m_bytes;
};

// The fuzz input: the first byte picks the reader's mode and buffer size and
// how far the declared run length reaches beyond the data (a few bytes, or
// up to 4 GiB); the rest is the run.
struct FuzzRun {
  ComPtr<IFileReader> reader;
  DWORD length = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

inline FuzzRun OpenRun(const uint8_t* data, size_t size) {
  FuzzRun run;
  if (size < 1) return run;
  const uint8_t control = data[0];
  run.data = data + 1;
  run.size = size - 1;
  // Declared lengths are untrusted too: with 0x40 set the run claims up to
  // 4 GiB, so a reader that allocates by a claim instead of by the bytes
  // that arrive shows up here.
  const DWORD beyond = (control & 0x40) ? 0xFFFFFFFFu >> (control & 0x0F) : (control & 0x0F);
  run.length = DWORD(std::min<uint64_t>(uint64_t(run.size) + beyond, 0xFFFFFFFFu));
  ComPtr<IReadAccesser> stream;
  if (FAILED(CreateComObject<MemoryStream>(stream.ReleaseAndGetAddressOf(), run.data, run.size))) {
    return run;
  }
  IFileReader* reader = nullptr;
  const DWORD capacity = (control & 0x20) ? 16 : 4096;
  if (FAILED(CreateFileReader(&reader, nullptr, stream.Get(), capacity))) return run;
  reader->SetAutoRefill((control & 0x10) ? TRUE : FALSE);
  run.reader = ComPtr<IFileReader>(reader);
  return run;
}

// Stops the run when a promise of the readers is broken.
inline void Check(bool condition) {
  if (!condition) std::abort();
}

// Writes with `serialize` (a callable taking a writer or null and an out
// size) and checks that the counted size is the size written.
template <class Serialize>
std::vector<BYTE> CheckedWrite(Serialize serialize) {
  DWORD counted = 0, written = 0;
  serialize(nullptr, &counted);
  ComPtr<IFileWriter> writer;
  CreateComObject<MemoryWriter>(writer.ReleaseAndGetAddressOf());
  serialize(writer.Get(), &written);
  const std::vector<BYTE> bytes = static_cast<MemoryWriter*>(writer.Get())->Bytes();
  Check(counted == written && written == bytes.size());
  return bytes;
}

}  // namespace tavorin::fuzz

namespace tavorin::fuzz {

inline ComPtr<IFileReader> ReaderOver(const std::vector<BYTE>& bytes) {
  ComPtr<IReadAccesser> stream;
  CreateComObject<MemoryStream>(stream.ReleaseAndGetAddressOf(), bytes.data(), bytes.size());
  IFileReader* reader = nullptr;
  if (FAILED(CreateFileReader(&reader, nullptr, stream.Get(), 4096))) std::abort();
  reader->SetAutoRefill(TRUE);
  return ComPtr<IFileReader>(reader);
}

// Reads a track run from the fuzz input and checks the reader's promises:
// the consumed count stays within the run and covers it on success, a failed
// read leaves no keys, evaluation ends at any frame, and what is written back
// reads again to the same bytes.
template <class Track, class Read, class Serialize, class Evaluate>
int FuzzTrack(const uint8_t* data, size_t size, Read read, Serialize serialize, Evaluate evaluate) {
  FuzzRun run = OpenRun(data, size);
  if (!run.reader) return 0;
  Track track;
  DWORD consumed = 0;
  const HRESULT hr = read(run.reader.Get(), track, run.length, &consumed);
  Check(consumed <= run.length);
  if (FAILED(hr)) {
    Check(track.keyCount == 0 && !track.keys);
    return 0;
  }
  Check(consumed == run.length);
  const INT probes[] = {INT(0x80000000), -1000000, -1, 0, 1, 1000000, 0x7FFFFFFF};
  for (INT frame : probes) evaluate(track, frame);
  for (WORD i = 0; i < track.keyCount && i < 64; ++i) {
    for (INT delta = -2; delta <= 2; ++delta) {
      evaluate(track, INT(LONGLONG(track.keys[i].frame) + delta));
    }
  }
  auto write = [&](IFileWriter* writer, DWORD* out) { serialize(track, writer, out); };
  const std::vector<BYTE> bytes = CheckedWrite(write);
  Track again;
  DWORD againConsumed = 0;
  Check(read(ReaderOver(bytes).Get(), again, DWORD(bytes.size()), &againConsumed) == S_OK);
  Check(againConsumed == bytes.size());
  Check(CheckedWrite([&](IFileWriter* writer, DWORD* out) { serialize(again, writer, out); }) ==
        bytes);
  return 0;
}

}  // namespace tavorin::fuzz
