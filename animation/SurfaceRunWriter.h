// Little-endian writing of tagged sub-chunks for the surface's stored form.
#pragma once

#include <cstring>

#include "IFileWriter.h"

// Writes sub-chunks and adds up the byte counts the writer returns, which is
// the size the surface reports (the caller compares it with what it expected).
// Without a writer it only adds up the sizes, so one walk over the chunks
// serves both the size query and the write.
class SurfaceRunWriter {
 public:
  explicit SurfaceRunWriter(IFileWriter* writer) : m_writer(writer) {}

  IFileWriter* Writer() const { return m_writer; }
  // Kept wide so that an oversized payload is noticed rather than wrapped.
  ULONGLONG Written() const { return m_written; }
  void Add(DWORD bytes) { m_written += bytes; }

  void Header(DWORD tag, DWORD size) {
    BYTE bytes[8];
    Put(bytes, tag);
    Put(bytes + 4, size);
    Bytes(bytes, 8);
  }
  void Bytes(const void* data, DWORD count) {
    if (count == 0) return;
    m_written += m_writer != nullptr ? m_writer->Write(data, count) : count;
  }
  void Chunk(DWORD tag, const void* payload, DWORD count) {
    Header(tag, count);
    Bytes(payload, count);
  }
  void ByteChunk(DWORD tag, BYTE value) { Chunk(tag, &value, 1); }
  void WordChunk(DWORD tag, WORD value) {
    BYTE bytes[2] = {BYTE(value), BYTE(value >> 8)};
    Chunk(tag, bytes, 2);
  }
  void DwordChunk(DWORD tag, DWORD value) {
    BYTE bytes[4];
    Put(bytes, value);
    Chunk(tag, bytes, 4);
  }
  void FloatChunk(DWORD tag, FLOAT value) {
    DWORD bits;
    std::memcpy(&bits, &value, 4);
    DwordChunk(tag, bits);
  }
  // A chunk of four floats in order.
  void FloatsChunk(DWORD tag, const FLOAT values[4]) {
    BYTE bytes[16];
    for (int i = 0; i < 4; ++i) {
      DWORD bits;
      std::memcpy(&bits, &values[i], 4);
      Put(bytes + 4 * i, bits);
    }
    Chunk(tag, bytes, 16);
  }

  static void Put(BYTE* out, DWORD value) {
    for (int i = 0; i < 4; ++i) out[i] = BYTE(value >> (8 * i));
  }

 private:
  IFileWriter* m_writer;
  ULONGLONG m_written = 0;
};
