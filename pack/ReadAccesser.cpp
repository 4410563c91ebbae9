#include <IReadAccesser.h>
#include <comobject.h>

namespace {

// A loose file as a byte stream: a thin layer over its Win32 handle, whose
// own file pointer is the stream position.
class CReadAccesser : public tavorin::ComObject<IReadAccesser> {
 public:
  ~CReadAccesser() override {
    if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  }

  HRESULT Init(const char* path) {
    if (path == nullptr) return E_INVALIDARG;
    m_file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_file == INVALID_HANDLE_VALUE ? E_ACCESSDENIED : S_OK;
  }

  DWORD Read(void* buffer, DWORD length) override {
    if (buffer == nullptr || length == 0) return 0;
    // A failing read still reports the bytes it delivered before the error.
    DWORD got = 0;
    ReadFile(m_file, buffer, length, &got, nullptr);
    return got;
  }

  DWORD Seek(LONG offset, DWORD origin) override {
    // A negative 32-bit offset would become a jump of almost 4 GiB forward
    // once widened with a zero high word, so it is refused.
    if (offset < 0) return INVALID_SET_FILE_POINTER;
    LONGLONG position = Move(offset, origin);
    return position < 0 ? INVALID_SET_FILE_POINTER : static_cast<DWORD>(position);
  }

  LONGLONG Seek64(LONGLONG offset, DWORD origin) override { return Move(offset, origin); }

  DWORD Tell() override { return static_cast<DWORD>(Tell64()); }

  ULONGLONG Tell64() override {
    LONGLONG position = Move(0, FILE_CURRENT);
    return position < 0 ? 0 : static_cast<ULONGLONG>(position);
  }

  BOOL IsEof() override {
    // The full 64-bit size, so that files beyond 4 GiB do not look finished
    // early.
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_file, &size)) return TRUE;
    return Tell64() >= static_cast<ULONGLONG>(size.QuadPart) ? TRUE : FALSE;
  }

 private:
  // The new position, or −1 when the move fails (the position then stays).
  LONGLONG Move(LONGLONG offset, DWORD origin) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(m_file, distance, &position, origin)) return -1;
    return position.QuadPart;
  }

  HANDLE m_file = INVALID_HANDLE_VALUE;
};

}  // namespace

HRESULT OpenReadAccesser(IReadAccesser** out, const char* path) {
  return tavorin::CreateComObject<CReadAccesser>(out, path);
}
