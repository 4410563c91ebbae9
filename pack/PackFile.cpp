#include "pack/PackFile.h"

#include <IPackReader.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace tavorin::pack {

CPackFile::~CPackFile() {
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
}

HRESULT CPackFile::Init(const char* archivePath, ULONGLONG entryOffset, DWORD entrySize,
                        BOOL masked, const BYTE code[kXorCodeSize]) {
  if (archivePath == nullptr || (masked && code == nullptr)) return E_INVALIDARG;
  if (entryOffset > static_cast<ULONGLONG>(LLONG_MAX) - entrySize) return E_INVALIDARG;
  m_file = CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_file == INVALID_HANDLE_VALUE) return E_ACCESSDENIED;
  LARGE_INTEGER start;
  start.QuadPart = static_cast<LONGLONG>(entryOffset);
  if (!SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN)) return E_ACCESSDENIED;
  m_masked = masked;
  if (masked) std::memcpy(m_code, code, kXorCodeSize);
  m_offset = entryOffset;
  m_size = entrySize;
  return S_OK;
}

DWORD CPackFile::Read(void* buffer, DWORD length) {
  if (buffer == nullptr) return 0;
  DWORD wanted = std::min(length, m_size - std::min(m_position, m_size));
  if (wanted == 0) return 0;
  DWORD got = 0;
  ReadFile(m_file, buffer, wanted, &got, nullptr);
  if (m_masked) ApplyXorCode(static_cast<BYTE*>(buffer), got, m_code, m_offset + m_position);
  m_position += got;
  return got;
}

DWORD CPackFile::Seek(LONG offset, DWORD origin) {
  // From the start and from the end the offset counts as an unsigned 32-bit
  // distance, so entries beyond 2 GiB stay reachable; from the current
  // position it is signed, and the sum is taken without wrapping around.
  LONGLONG target;
  switch (origin) {
    case FILE_BEGIN:
      target = static_cast<DWORD>(offset);
      break;
    case FILE_CURRENT:
      target = static_cast<LONGLONG>(m_position) + offset;
      break;
    case FILE_END:
      target = static_cast<LONGLONG>(m_size) - static_cast<DWORD>(offset);
      break;
    default:
      return INVALID_SET_FILE_POINTER;
  }
  return MoveTo(target) ? m_position : INVALID_SET_FILE_POINTER;
}

LONGLONG CPackFile::Seek64(LONGLONG offset, DWORD origin) {
  // Any target outside the entry fails, whatever its size; offsets whose
  // high words are set can never be inside a 32-bit entry.
  LONGLONG target;
  switch (origin) {
    case FILE_BEGIN:
      target = offset;
      break;
    case FILE_CURRENT:
      if (offset > static_cast<LONGLONG>(m_size)) return -1;
      target = static_cast<LONGLONG>(m_position) + offset;
      break;
    case FILE_END:
      if (offset < 0) return -1;
      target = static_cast<LONGLONG>(m_size) - offset;
      break;
    default:
      return -1;
  }
  return MoveTo(target) ? static_cast<LONGLONG>(m_position) : -1;
}

bool CPackFile::MoveTo(LONGLONG target) {
  if (target < 0 || target > static_cast<LONGLONG>(m_size)) return false;
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(m_offset) + target;
  if (!SetFilePointerEx(m_file, distance, nullptr, FILE_BEGIN)) return false;
  m_position = static_cast<DWORD>(target);
  return true;
}

}  // namespace tavorin::pack

HRESULT OpenPackFile(IReadAccesser** out, const char* archivePath, ULONGLONG entryOffset,
                     DWORD entrySize, BOOL masked, const BYTE code[32]) {
  return tavorin::CreateComObject<tavorin::pack::CPackFile>(out, archivePath, entryOffset,
                                                            entrySize, masked, code);
}
