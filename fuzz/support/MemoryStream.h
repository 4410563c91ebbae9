// A byte stream over a copy of the fuzz input, shared by the fuzz targets
// that read through IReadAccesser.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <IReadAccesser.h>
#include <comobject.h>

namespace tavorin::fuzz {

class MemoryStream : public ComObject<IReadAccesser> {
 public:
  HRESULT Init(const uint8_t* data, size_t size) {
    m_data.assign(data, data + size);
    return S_OK;
  }
  DWORD Read(void* buffer, DWORD length) override {
    const size_t count =
        m_position < m_data.size() ? std::min<size_t>(length, m_data.size() - m_position) : 0;
    if (count > 0) std::memcpy(buffer, m_data.data() + m_position, count);
    m_position += count;
    return DWORD(count);
  }
  DWORD Seek(LONG offset, DWORD origin) override {
    const LONGLONG position = Seek64(offset, origin);
    return position < 0 ? 0xFFFFFFFF : DWORD(position);
  }
  // Offsets beyond a terabyte are refused, so sums cannot overflow.
  LONGLONG Seek64(LONGLONG offset, DWORD origin) override {
    const LONGLONG base = origin == 0   ? 0
                          : origin == 1 ? LONGLONG(m_position)
                                        : LONGLONG(m_data.size());
    if (origin > 2 || offset > (LONGLONG(1) << 40) || offset < -(LONGLONG(1) << 40)) return -1;
    if (base + offset < 0) return -1;
    m_position = size_t(base + offset);
    return LONGLONG(m_position);
  }
  DWORD Tell() override { return DWORD(m_position); }
  ULONGLONG Tell64() override { return m_position; }
  BOOL IsEof() override { return m_position >= m_data.size(); }
  const std::vector<uint8_t>& data() const { return m_data; }

 private:
  std::vector<uint8_t> m_data;
  size_t m_position = 0;
};

}  // namespace tavorin::fuzz
