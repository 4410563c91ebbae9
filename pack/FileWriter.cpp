#include "pack/FileWriter.h"

#include <cstring>
#include <new>

namespace tavorin::pack {

CFileWriter::~CFileWriter() {
  if (m_file == INVALID_HANDLE_VALUE) return;
  Flush();
  CloseHandle(m_file);
}

HRESULT CFileWriter::Init(const char* path) {
  if (path == nullptr) return E_INVALIDARG;
  m_file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_file == INVALID_HANDLE_VALUE) return E_ACCESSDENIED;
  m_buffer.reset(new (std::nothrow) BYTE[m_capacity]);
  return m_buffer ? S_OK : E_OUTOFMEMORY;
}

void CFileWriter::SetXorCode(BOOL on, const BYTE code[kXorCodeSize]) {
  if (on && code == nullptr) return;
  Flush();
  m_masked = on;
  if (on) std::memcpy(m_code, code, kXorCodeSize);
}

DWORD CFileWriter::Write(const void* data, DWORD length) {
  if (data == nullptr) return 0;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  DWORD done = 0;
  while (done < length) {
    DWORD space = m_capacity - m_count;
    // A write that exactly fills the buffer leaves it full: the bytes go out
    // with the next write, flush, seek or at destruction.
    if (space < length - done) {
      std::memcpy(m_buffer.get() + m_count, bytes + done, space);
      m_count = m_capacity;
      Flush();
      done += space;
    } else {
      std::memcpy(m_buffer.get() + m_count, bytes + done, length - done);
      m_count += length - done;
      done = length;
    }
  }
  return length;
}

DWORD CFileWriter::WriteString(const char* text) {
  if (text == nullptr) return 0;
  return Write(text, static_cast<DWORD>(std::strlen(text)));
}

DWORD CFileWriter::Seek(LONG offset, DWORD origin) {
  Flush();
  // Widened with a zero high word, a negative offset would jump almost 4 GiB
  // forward and leave a hole in the file; it is refused instead.
  if (offset < 0) return INVALID_SET_FILE_POINTER;
  LONGLONG position = Seek64(offset, origin);
  return position < 0 ? INVALID_SET_FILE_POINTER : static_cast<DWORD>(position);
}

LONGLONG CFileWriter::Seek64(LONGLONG offset, DWORD origin) {
  Flush();
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(m_file, distance, &position, origin)) return -1;
  return position.QuadPart;
}

DWORD CFileWriter::Tell() {
  return static_cast<DWORD>(Tell64());
}

ULONGLONG CFileWriter::Tell64() {
  LONGLONG position = FilePosition();
  return (position < 0 ? 0 : static_cast<ULONGLONG>(position)) + m_count;
}

BOOL CFileWriter::Flush() {
  if (m_count == 0) return TRUE;
  if (m_masked) {
    LONGLONG position = FilePosition();
    ApplyXorCode(m_buffer.get(), m_count, m_code, position < 0 ? 0 : position);
  }
  DWORD written = 0;
  DWORD count = m_count;
  BOOL ok = WriteFile(m_file, m_buffer.get(), count, &written, nullptr);
  m_count = 0;
  return ok && written == count ? TRUE : FALSE;
}

LONGLONG CFileWriter::FilePosition() {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(m_file, zero, &position, FILE_CURRENT)) return -1;
  return position.QuadPart;
}

}  // namespace tavorin::pack

HRESULT CreateFileWriter(IFileWriter** out, const char* path) {
  return tavorin::CreateComObject<tavorin::pack::CFileWriter>(out, path);
}
