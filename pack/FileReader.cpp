#include "pack/FileReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace tavorin::pack {

CFileReader::~CFileReader() {
  if (m_source) m_source->Release();
}

HRESULT CFileReader::Init(const char* path, IReadAccesser* source, DWORD capacity) {
  if (capacity == 0) return E_INVALIDARG;
  if (source) {
    source->AddRef();
    m_source = source;
  } else {
    HRESULT hr = OpenReadAccesser(&m_source, path);
    if (FAILED(hr)) return hr;
  }
  // One spare byte lets ReadLine look past a CR at the end of a buffer-load
  // without losing the CR, whatever the capacity.
  m_buffer.reset(new (std::nothrow) BYTE[size_t{capacity} + 1]);
  if (!m_buffer) return E_OUTOFMEMORY;
  m_capacity = capacity;
  return S_OK;
}

BOOL CFileReader::SetAutoRefill(BOOL on) {
  m_autoRefill = on;
  return m_autoRefill;
}

void CFileReader::SetXorCode(BOOL on, const BYTE code[kXorCodeSize]) {
  if (on && code == nullptr) return;
  m_masked = on;
  if (on) std::memcpy(m_code, code, kXorCodeSize);
}

HRESULT CFileReader::Prefetch(DWORD length) {
  if (m_autoRefill) return S_OK;
  Discard();
  DWORD got = m_source->Read(m_buffer.get(), std::min(length, m_capacity));
  m_filled = got;
  m_pending = length - got;
  if (got == 0) return E_FAIL;
  UnmaskFetched(0, got);
  return S_OK;
}

DWORD CFileReader::Read(void* buffer, DWORD length) {
  // The common case of parsers, a field of 1, 2, 4 or 8 bytes that is
  // already buffered, is kept free of calls so that it compiles to a handful
  // of instructions; everything else takes the general path.
  if (__builtin_expect(length == 4 && buffer != nullptr && Unread() >= 4, 1)) {
    // Chunk tags and sizes: the most common read of all gets the shortest
    // path.
    std::memcpy(buffer, m_buffer.get() + m_readPos, 4);
    m_readPos += 4;
    return 4;
  }
  if (buffer != nullptr && length <= Unread()) {
    const BYTE* from = m_buffer.get() + m_readPos;
    switch (length) {
      case 1:
        std::memcpy(buffer, from, 1);
        break;
      case 2:
        std::memcpy(buffer, from, 2);
        break;
      case 4:
        std::memcpy(buffer, from, 4);
        break;
      case 8:
        std::memcpy(buffer, from, 8);
        break;
      default:
        return ReadAcrossFills(buffer, length);
    }
    m_readPos += length;
    return length;
  }
  return ReadAcrossFills(buffer, length);
}

DWORD CFileReader::ReadAcrossFills(void* buffer, DWORD length) {
  if (buffer == nullptr) return 0;
  BYTE* out = static_cast<BYTE*>(buffer);
  DWORD done = 0;
  for (;;) {
    DWORD take = std::min(Unread(), length - done);
    std::memcpy(out + done, m_buffer.get() + m_readPos, take);
    m_readPos += take;
    done += take;
    if (done == length || !Refill()) return done;
  }
}

LONG CFileReader::ReadLine(char* buffer, DWORD capacity) {
  if (capacity == 0 || buffer == nullptr) return E_INVALIDARG;
  buffer[0] = 0;
  DWORD i = 0;
  while (i < capacity - 1) {
    if (Unread() == 0 && !Refill()) break;
    char c = static_cast<char>(m_buffer[m_readPos]);
    if (c == '\r') {
      if (Unread() < 2) TopUp();
      if (Unread() >= 2 && m_buffer[m_readPos + 1] == '\n') {
        // The pair and the terminator must all fit; otherwise the CR stays
        // unread and starts the next call.
        if (i + 2 > capacity - 1) break;
        buffer[i] = '\r';
        buffer[i + 1] = '\n';
        buffer[i + 2] = 0;
        m_readPos += 2;
        return static_cast<LONG>(i + 2);
      }
    }
    ++m_readPos;
    buffer[i] = c;
    if (c == '\n') {
      buffer[i + 1] = 0;
      return static_cast<LONG>(i + 1);
    }
    if (c == 0) return static_cast<LONG>(i);
    ++i;
  }
  buffer[i] = 0;
  return static_cast<LONG>(i);
}

DWORD CFileReader::Seek(LONG offset, DWORD origin) {
  if (origin != FILE_CURRENT) {
    Discard();
    return m_source->Seek(offset, origin);
  }
  // A relative move becomes an absolute one from the logical position. It
  // goes through the 64-bit call: past 2 GiB the target no longer fits the
  // signed 32-bit offset.
  LONGLONG target = static_cast<LONGLONG>(Tell64()) + offset;
  Discard();
  if (target < 0) return INVALID_SET_FILE_POINTER;
  LONGLONG position = m_source->Seek64(target, FILE_BEGIN);
  return position < 0 ? INVALID_SET_FILE_POINTER : static_cast<DWORD>(position);
}

LONGLONG CFileReader::Seek64(LONGLONG offset, DWORD origin) {
  if (origin == FILE_CURRENT) {
    ULONGLONG here = Tell64();
    if (offset > 0 && here > static_cast<ULONGLONG>(LLONG_MAX - offset)) {
      Discard();
      return -1;
    }
    offset += static_cast<LONGLONG>(here);
    origin = FILE_BEGIN;
  }
  Discard();
  return m_source->Seek64(offset, origin);
}

DWORD CFileReader::Tell() {
  return m_source->Tell() - m_filled + m_readPos;
}

ULONGLONG CFileReader::Tell64() {
  return m_source->Tell64() - Unread();
}

BOOL CFileReader::IsEof() {
  return m_source->IsEof() && Unread() == 0 ? TRUE : FALSE;
}

bool CFileReader::Refill() {
  if (!m_autoRefill) return m_pending != 0 && SUCCEEDED(Prefetch(m_pending));
  Discard();
  m_filled = m_source->Read(m_buffer.get(), m_capacity);
  if (m_filled == 0) return false;
  UnmaskFetched(0, m_filled);
  return true;
}

bool CFileReader::TopUp() {
  DWORD keep = Unread();
  std::memmove(m_buffer.get(), m_buffer.get() + m_readPos, keep);
  m_readPos = 0;
  m_filled = keep;
  DWORD want = m_capacity + 1 - keep;
  if (!m_autoRefill) want = std::min(want, m_pending);
  if (want == 0) return false;
  DWORD got = m_source->Read(m_buffer.get() + keep, want);
  if (!m_autoRefill) m_pending -= got;
  m_filled += got;
  UnmaskFetched(keep, got);
  return got > 0;
}

void CFileReader::UnmaskFetched(DWORD start, DWORD count) {
  if (!m_masked || count == 0) return;
  ApplyXorCode(m_buffer.get() + start, count, m_code, m_source->Tell64() - count);
}

}  // namespace tavorin::pack

HRESULT CreateFileReader(IFileReader** out, const char* path, IReadAccesser* source,
                         DWORD capacity) {
  return tavorin::CreateComObject<tavorin::pack::CFileReader>(out, path, source, capacity);
}
