// Buffered reading over a byte stream.
#pragma once

#include <memory>

#include <IFileReader.h>
#include <comobject.h>

#include "pack/XorCode.h"

namespace tavorin::pack {

// Invariant: m_readPos ≤ m_filled ≤ m_capacity + 1 (the spare byte serves
// only ReadLine's look-ahead). The logical position is the source position −
// m_filled + m_readPos.
class CFileReader : public ComObject<IFileReader> {
 public:
  ~CFileReader() override;
  HRESULT Init(const char* path, IReadAccesser* source, DWORD capacity);

  BOOL SetAutoRefill(BOOL on) override;
  void SetXorCode(BOOL on, const BYTE code[kXorCodeSize]) override;
  HRESULT Prefetch(DWORD length) override;
  DWORD Read(void* buffer, DWORD length) override;
  LONG ReadLine(char* buffer, DWORD capacity) override;
  DWORD Seek(LONG offset, DWORD origin) override;
  LONGLONG Seek64(LONGLONG offset, DWORD origin) override;
  DWORD Tell() override;
  ULONGLONG Tell64() override;
  BOOL IsEof() override;

 private:
  DWORD Unread() const { return m_filled - m_readPos; }
  // Read's general path: copies what is buffered and refills as needed.
  __attribute__((noinline)) DWORD ReadAcrossFills(void* buffer, DWORD length);
  // Refills an exhausted buffer the way the current mode does; false when
  // no more data is available.
  bool Refill();
  // Keeps the unread bytes, moved to the front, and fetches more behind them
  // within the current mode's limits; false when nothing more came.
  bool TopUp();
  // Unmasks `count` freshly fetched bytes at m_buffer[start], which end at
  // the source's current position.
  void UnmaskFetched(DWORD start, DWORD count);
  void Discard() { m_filled = m_readPos = 0; }

  IReadAccesser* m_source = nullptr;
  BOOL m_autoRefill = FALSE;
  BOOL m_masked = FALSE;
  BYTE m_code[kXorCodeSize] = {};
  std::unique_ptr<BYTE[]> m_buffer;
  DWORD m_capacity = 0;
  DWORD m_filled = 0;
  DWORD m_readPos = 0;
  DWORD m_pending = 0;
};

}  // namespace tavorin::pack
