// The resource archive "Data.pac": its directory and its files as streams.
#pragma once

#include "IReadAccesser.h"

DECLARE_INTERFACE_ID(IPackReader, 0xD27F53E4, 0x265E, 0x4E3E, 0x9D, 0x78, 0x22, 0xBD, 0x62, 0xCF,
                     0x1B, 0x14);

// One row of the archive's file table.
struct PackEntry {
  char* name;        // zero-terminated, owned by the table
  DWORD size;        // bytes of the file
  ULONGLONG offset;  // absolute archive offset of its first byte
};

// The archive directory, read once at creation and sorted by name (unsigned
// byte order). The archive file is not held open: every file opened from it
// has its own handle, so files outlive the reader and read independently.
// Main thread, or one thread at a time.
struct IPackReader : public IUnknown {
  virtual ~IPackReader() = default;

  virtual DWORD GetFileCount() = 0;
  // The entry at `index` of the sorted table (valid while the reader lives),
  // or null when index ≥ count.
  virtual const PackEntry* GetEntry(DWORD index) = 0;
  // TRUE when the archive holds `name` (exact, case-sensitive match).
  virtual BOOL Contains(const char* name) = 0;
  // Opens the archived file `name` as a stream of its own; E_FAIL when the
  // name is absent, E_ACCESSDENIED when the archive cannot be reopened.
  virtual HRESULT OpenFile(IReadAccesser** out, const char* name) = 0;
  // As OpenFile for the entry at `index`; E_FAIL when index ≥ count.
  virtual HRESULT OpenFileByIndex(IReadAccesser** out, DWORD index) = 0;
};

// Opens and parses "Data.pac" in the current directory. The file reader's
// error when it cannot be read, E_FAIL for a malformed archive,
// E_OUTOFMEMORY; `*out` is null then.
HRESULT CreatePackReader(IPackReader** out);
// As CreatePackReader for the archive at `path` (at most 259 bytes, else
// E_INVALIDARG); for tools that work on archives of any name.
HRESULT OpenPackReader(IPackReader** out, const char* path);

// Opens a window of `entrySize` bytes at `entryOffset` in the archive at
// `archivePath`, unmasking with `code` when `masked`. The stream stops at the
// entry's end. E_ACCESSDENIED when the archive cannot be opened or positioned.
HRESULT OpenPackFile(IReadAccesser** out, const char* archivePath, ULONGLONG entryOffset,
                     DWORD entrySize, BOOL masked, const BYTE code[32]);
