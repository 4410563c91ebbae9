// Buffered writing of a loose file with optional XOR masking.
#pragma once

#include <windows.h>

DECLARE_INTERFACE_ID(IFileWriter, 0x5856E25F, 0x5B8F, 0x4148, 0x8B, 0x2C, 0x32, 0x38, 0xED, 0xAF,
                     0xF7, 0xAD);

// Data reaches the file when the 64 KiB buffer fills, on Flush, SetXorCode,
// Seek, Seek64 and when the writer is destroyed. A byte written at file
// offset P is stored XOR code[P mod 32] while masking is on. One thread.
struct IFileWriter : public IUnknown {
  virtual ~IFileWriter() = default;

  // Flushes with the old code, then turns masking on (copying `code`) or off.
  virtual void SetXorCode(BOOL on, const BYTE code[32]) = 0;
  // Takes all `length` bytes and returns `length`; write errors show only in
  // the result of an explicit Flush.
  virtual DWORD Write(const void* data, DWORD length) = 0;
  // Writes `text` without its terminating zero.
  virtual DWORD WriteString(const char* text) = 0;
  // Flushes, then moves the file position (origin 0, 1 or 2); returns the low
  // word of the new position (0xFFFFFFFF on failure).
  virtual DWORD Seek(LONG offset, DWORD origin) = 0;
  // Flushes, then moves by a 64-bit offset; −1 on failure.
  virtual LONGLONG Seek64(LONGLONG offset, DWORD origin) = 0;
  // The position the next byte will be written at, buffered bytes included.
  virtual DWORD Tell() = 0;
  virtual ULONGLONG Tell64() = 0;
  // Writes the buffered bytes; FALSE when the file refused them (they are
  // dropped either way). TRUE at once when nothing is buffered.
  virtual BOOL Flush() = 0;
};

// Creates (or truncates) the file at `path`. E_ACCESSDENIED when it cannot
// be opened, E_OUTOFMEMORY; `*out` is null then.
HRESULT CreateFileWriter(IFileWriter** out, const char* path);
