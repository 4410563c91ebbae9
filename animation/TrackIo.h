// Little-endian reading and writing of the sub-chunk runs that hold tracks
// and motions inside a scene file.
#pragma once

#include <windows.h>

#include "IFileReader.h"
#include "IFileWriter.h"

namespace tavorin::animation {

constexpr DWORD MakeTag(char a, char b, char c, char d) {
  return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}

constexpr DWORD kTagKeyCount = MakeTag('K', 'E', 'Y', 'N');
constexpr DWORD kTagKeys = MakeTag('K', 'E', 'Y', ' ');
constexpr DWORD kTagPreBehavior = MakeTag('P', 'E', 'R', ' ');
constexpr DWORD kTagPostBehavior = MakeTag('P', 'O', 'S', 'T');
constexpr DWORD kTagEnabled = MakeTag('E', 'N', 'B', 'L');
constexpr DWORD kTagDefault = MakeTag('D', 'E', 'F', ' ');
constexpr DWORD kTagLowerLimit = MakeTag('L', 'M', 'I', 'N');
constexpr DWORD kTagUpperLimit = MakeTag('L', 'M', 'A', 'X');

constexpr DWORD kChunkHeaderSize = 8;

inline WORD LoadU16(const BYTE* p) {
  return WORD(p[0] | p[1] << 8);
}
inline DWORD LoadU32(const BYTE* p) {
  return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}
inline INT LoadI32(const BYTE* p) {
  return INT(LoadU32(p));
}
float LoadF32(const BYTE* p);

inline void StoreU16(BYTE* p, WORD v) {
  p[0] = BYTE(v);
  p[1] = BYTE(v >> 8);
}
inline void StoreU32(BYTE* p, DWORD v) {
  for (int i = 0; i < 4; ++i) p[i] = BYTE(v >> (8 * i));
}
inline void StoreI32(BYTE* p, INT v) {
  StoreU32(p, DWORD(v));
}
void StoreF32(BYTE* p, float v);

// Reads one run of sub-chunks of a known length. Every read is checked
// against what remains of the run and must deliver all its bytes, so a
// truncated or lying run ends with E_FAIL and the consumed count never passes
// the run's length.
class RunReader {
 public:
  RunReader(IFileReader* reader, DWORD length) : m_reader(reader), m_length(length) {}

  bool AtEnd() const { return m_consumed >= m_length; }
  DWORD Remaining() const { return m_length - m_consumed; }
  DWORD Consumed() const { return m_consumed; }

  HRESULT ReadHeader(DWORD* tag, DWORD* size);
  // Announces `length` bytes to a reader in announced mode; the reads that
  // follow may then take them in pieces.
  void Announce(DWORD length);
  HRESULT ReadBytes(void* data, DWORD length);
  HRESULT ReadU16(WORD* value);
  HRESULT ReadU32(DWORD* value);
  HRESULT ReadI32(INT* value);
  HRESULT ReadF32(float* value);
  // Skips `length` bytes of the run.
  HRESULT Skip(DWORD length);
  // Checks that a sub-chunk declaring `size` bytes fits in the run and holds
  // at least `width` bytes.
  HRESULT CheckPayload(DWORD size, DWORD width) const;
  // Skips what a sub-chunk of `size` bytes holds beyond the `width` read.
  HRESULT SkipRest(DWORD size, DWORD width) { return size > width ? Skip(size - width) : S_OK; }
  // Passes a nested run's consumption on to this one.
  void Account(DWORD length) { m_consumed += length; }

  IFileReader* Reader() const { return m_reader; }

 private:
  IFileReader* m_reader;
  DWORD m_length;
  DWORD m_consumed = 0;
};

// Writes sub-chunks through a writer, or with a null writer only counts the
// bytes they would take: one path for both, so the size reported without a
// writer is the size written with one.
class RunWriter {
 public:
  explicit RunWriter(IFileWriter* writer) : m_writer(writer) {}

  void Bytes(const void* data, DWORD length);
  void Header(DWORD tag, DWORD size);
  void U16(WORD value);
  void U32(DWORD value);
  void I32(INT value) { U32(DWORD(value)); }
  void F32(float value);
  // Counts bytes a nested writer put out on its own.
  void Account(DWORD length) { m_written += length; }

  DWORD Written() const { return m_written; }

 private:
  IFileWriter* m_writer;
  DWORD m_written = 0;
};

}  // namespace tavorin::animation
