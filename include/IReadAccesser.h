// The byte stream every consumer reads from, over a loose file or a file
// inside the archive.
#pragma once

#include <windows.h>

DECLARE_INTERFACE_ID(IReadAccesser, 0x63101ECC, 0xE664, 0x4E51, 0x92, 0x23, 0x48, 0x43, 0x5B, 0xC3,
                     0x38, 0xFF);

// Positions are byte offsets from the start of the stream. One consumer
// thread at a time per stream; separate streams are independent.
struct IReadAccesser : public IUnknown {
  virtual ~IReadAccesser() = default;

  // Reads up to `length` bytes; returns how many came (0 at the end or on a
  // read error).
  virtual DWORD Read(void* buffer, DWORD length) = 0;
  // Moves to `offset` from origin 0 (begin), 1 (current) or 2 (end); returns
  // the new position, or 0xFFFFFFFF when the move fails (the position then
  // stays where it was).
  virtual DWORD Seek(LONG offset, DWORD origin) = 0;
  // As Seek with a 64-bit offset; −1 on failure.
  virtual LONGLONG Seek64(LONGLONG offset, DWORD origin) = 0;
  // The position (low 32 bits / all 64 bits).
  virtual DWORD Tell() = 0;
  virtual ULONGLONG Tell64() = 0;
  // TRUE when the position is at or past the end.
  virtual BOOL IsEof() = 0;
};

// Opens the loose file at `path` for reading. E_ACCESSDENIED when it cannot
// be opened, E_OUTOFMEMORY when the object cannot be made; `*out` is null
// then.
HRESULT OpenReadAccesser(IReadAccesser** out, const char* path);
