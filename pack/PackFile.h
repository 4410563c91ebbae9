// One archived file as a byte stream of its own.
#pragma once

#include <IReadAccesser.h>
#include <comobject.h>

#include "pack/XorCode.h"

namespace tavorin::pack {

// A window of m_size bytes at m_offset in the archive, read through a handle
// of its own so that it works independently of the reader and of other
// archived files. Reads stop at the entry's end.
class CPackFile : public ComObject<IReadAccesser> {
 public:
  ~CPackFile() override;
  HRESULT Init(const char* archivePath, ULONGLONG entryOffset, DWORD entrySize, BOOL masked,
               const BYTE code[kXorCodeSize]);

  DWORD Read(void* buffer, DWORD length) override;
  DWORD Seek(LONG offset, DWORD origin) override;
  LONGLONG Seek64(LONGLONG offset, DWORD origin) override;
  DWORD Tell() override { return m_position; }
  ULONGLONG Tell64() override { return m_position; }
  BOOL IsEof() override { return m_position >= m_size ? TRUE : FALSE; }

 private:
  // Moves to `target` bytes from the entry's start; false (position
  // unchanged) when it lies outside the entry or the handle cannot move.
  bool MoveTo(LONGLONG target);

  HANDLE m_file = INVALID_HANDLE_VALUE;
  BOOL m_masked = FALSE;
  BYTE m_code[kXorCodeSize] = {};
  ULONGLONG m_offset = 0;
  DWORD m_size = 0;
  DWORD m_position = 0;
};

}  // namespace tavorin::pack
