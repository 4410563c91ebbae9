// Buffered reading over a byte stream: announced or automatic refills, line
// reading and optional XOR unmasking.
#pragma once

#include "IReadAccesser.h"

DECLARE_INTERFACE_ID(IFileReader, 0x27F3149C, 0x8941, 0x4680, 0x96, 0x1F, 0x1C, 0x13, 0x9B, 0xD7,
                     0xDC, 0xC2);

// In announced mode (the default) the caller announces with Prefetch how many
// bytes it will read and Read never fetches more than that; in auto-refill
// mode Read refills whole buffer-loads whenever it runs dry. One thread at a
// time.
struct IFileReader : public IUnknown {
  virtual ~IFileReader() = default;

  // Switches auto-refill mode on or off; returns the value set.
  virtual BOOL SetAutoRefill(BOOL on) = 0;
  // Turns XOR unmasking on (copying the 32-byte `code`) or off. Affects later
  // fills; the code is indexed by the absolute stream offset.
  virtual void SetXorCode(BOOL on, const BYTE code[32]) = 0;
  // Announced mode: drops unread buffered bytes and fetches up to the buffer
  // capacity of the `length` announced bytes; the rest is fetched by the Reads
  // that follow. E_FAIL when nothing came. Auto-refill mode: does nothing.
  virtual HRESULT Prefetch(DWORD length) = 0;
  // Copies up to `length` bytes; returns how many were delivered (short at
  // the end of the data or of the announcement).
  virtual DWORD Read(void* buffer, DWORD length) = 0;
  // Reads one line into `buffer` (always zero-terminated, never more than
  // `capacity` bytes in all) with its line end ("\n" or "\r\n") included;
  // returns its length, 0 when nothing more is available, E_INVALIDARG for a
  // capacity of 0.
  virtual LONG ReadLine(char* buffer, DWORD capacity) = 0;
  // Moves the logical position (origin 0, 1 or 2) and drops the buffer;
  // returns the stream's answer (0xFFFFFFFF / −1 on failure).
  virtual DWORD Seek(LONG offset, DWORD origin) = 0;
  virtual LONGLONG Seek64(LONGLONG offset, DWORD origin) = 0;
  // The logical position: what the caller has read up to.
  virtual DWORD Tell() = 0;
  virtual ULONGLONG Tell64() = 0;
  // TRUE when the stream is at its end and no unread byte is buffered.
  virtual BOOL IsEof() = 0;
};

// Makes a reader with a buffer of `capacity` bytes over `source` (which it
// keeps a reference to) or, when `source` is null, over the loose file at
// `path`. E_INVALIDARG for a capacity of 0, the stream's opening error, or
// E_OUTOFMEMORY; `*out` is null then.
HRESULT CreateFileReader(IFileReader** out, const char* path, IReadAccesser* source,
                         DWORD capacity);
