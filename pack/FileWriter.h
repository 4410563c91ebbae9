// Buffered writing of a loose file with optional XOR masking.
#pragma once

#include <memory>

#include <IFileWriter.h>
#include <comobject.h>

#include "pack/XorCode.h"

namespace tavorin::pack {

class CFileWriter : public ComObject<IFileWriter> {
 public:
  static constexpr DWORD kCapacity = 65536;

  ~CFileWriter() override;
  HRESULT Init(const char* path);

  void SetXorCode(BOOL on, const BYTE code[kXorCodeSize]) override;
  DWORD Write(const void* data, DWORD length) override;
  DWORD WriteString(const char* text) override;
  DWORD Seek(LONG offset, DWORD origin) override;
  LONGLONG Seek64(LONGLONG offset, DWORD origin) override;
  DWORD Tell() override;
  ULONGLONG Tell64() override;
  BOOL Flush() override;

 private:
  // The file's own position (without buffered bytes), −1 when unknown.
  LONGLONG FilePosition();

  HANDLE m_file = INVALID_HANDLE_VALUE;
  BOOL m_masked = FALSE;
  BYTE m_code[kXorCodeSize] = {};
  std::unique_ptr<BYTE[]> m_buffer;
  DWORD m_capacity = kCapacity;
  DWORD m_count = 0;
};

}  // namespace tavorin::pack
