// A bounded little-endian reader over one run of tagged sub-chunks.
#pragma once

#include <string>

#include "IFileReader.h"

// The 32-bit word a four-character tag reads as: first character in the low byte.
constexpr DWORD SurfaceTag(const char (&text)[5]) {
  return DWORD(BYTE(text[0])) | DWORD(BYTE(text[1])) << 8 | DWORD(BYTE(text[2])) << 16 |
         DWORD(BYTE(text[3])) << 24;
}

// Reads a run of known length from an IFileReader and never goes past its end:
// every size and count is checked against what remains before anything is
// read, allocated or skipped. Any failure (a short stream included) gives
// E_FAIL; Consumed() then still tells how many bytes were taken.
class SurfaceRunReader {
 public:
  SurfaceRunReader(IFileReader* reader, DWORD length) : m_reader(reader), m_length(length) {}

  IFileReader* Reader() const { return m_reader; }
  DWORD Consumed() const { return m_consumed; }
  DWORD Remaining() const { return m_length - m_consumed; }
  bool AtEnd() const { return m_consumed >= m_length; }

  // Reads a sub-chunk header. The declared size is not checked here: one
  // sub-chunk of the texture record declares more than it holds.
  HRESULT ReadHeader(DWORD* tag, DWORD* size);
  HRESULT ReadBytes(void* out, DWORD count);
  HRESULT ReadWord(WORD* out);
  HRESULT ReadDword(DWORD* out);
  HRESULT ReadFloat(FLOAT* out);
  // Reads a `size`-byte field of which the first `width` bytes are the value
  // and the rest is skipped; a field shorter than its value fails.
  HRESULT ReadField(void* out, DWORD width, DWORD size);
  // Reads `size` bytes as a string that ends at its first zero byte. The
  // string grows only with bytes actually delivered, so a declared size far
  // beyond the stream's end cannot force a large allocation.
  HRESULT ReadString(std::string* out, DWORD size);
  HRESULT Skip(DWORD count);
  // Counts bytes that a nested reader took from the same stream.
  HRESULT Account(DWORD count);

 private:
  IFileReader* m_reader;
  DWORD m_length;
  DWORD m_consumed = 0;
};
