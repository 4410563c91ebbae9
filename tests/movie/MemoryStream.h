// A byte stream over bytes in memory, for tests of stream readers.
#pragma once

#include <IReadAccesser.h>
#include <comobject.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace tavorin::test {

class MemoryStream : public ComObject<IReadAccesser> {
 public:
  HRESULT Init(std::vector<BYTE> bytes) {
    m_bytes = std::move(bytes);
    return S_OK;
  }

  DWORD Read(void* buffer, DWORD length) override {
    size_t available = m_position < m_bytes.size() ? m_bytes.size() - size_t(m_position) : 0;
    size_t count = std::min<size_t>(length, available);
    if (count > 0) std::memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += count;
    return DWORD(count);
  }
  DWORD Seek(LONG offset, DWORD origin) override {
    LONGLONG position = Seek64(offset, origin);
    return position < 0 ? 0xFFFFFFFF : DWORD(position);
  }
  LONGLONG Seek64(LONGLONG offset, DWORD origin) override {
    LONGLONG base = origin == 0 ? 0 : origin == 1 ? LONGLONG(m_position) : LONGLONG(m_bytes.size());
    if (origin > 2 || base + offset < 0) return -1;
    m_position = ULONGLONG(base + offset);
    return LONGLONG(m_position);
  }
  DWORD Tell() override { return DWORD(m_position); }
  ULONGLONG Tell64() override { return m_position; }
  BOOL IsEof() override { return m_position >= m_bytes.size(); }

 private:
  std::vector<BYTE> m_bytes;
  ULONGLONG m_position = 0;
};

inline ComPtr<IReadAccesser> MakeMemoryStream(std::vector<BYTE> bytes) {
  ComPtr<IReadAccesser> stream;
  CreateComObject<MemoryStream>(stream.ReleaseAndGetAddressOf(), std::move(bytes));
  return stream;
}

inline ComPtr<IReadAccesser> MakeMemoryStream(const std::string& text) {
  return MakeMemoryStream(std::vector<BYTE>(text.begin(), text.end()));
}

}  // namespace tavorin::test
