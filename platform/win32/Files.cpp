// Win32 file handles on POSIX file descriptors.
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32/KernelObject.h"

namespace tavorin::platform {
namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

class FileObject : public KernelObject {
 public:
  explicit FileObject(int fd) : m_fd(fd) {}
  ~FileObject() override { ::close(m_fd); }
  int fd() const { return m_fd; }

 private:
  int m_fd;
};

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC: return ERROR_DISK_FULL;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_INVALID_FUNCTION;
  }
}

BOOL FailWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

int OpenFlags(DWORD access, DWORD creation, DWORD flags) {
  int result = O_CLOEXEC;
  bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
  result |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  switch (creation) {
    case CREATE_NEW: result |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: result |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: result |= O_CREAT; break;
    case TRUNCATE_EXISTING: result |= O_TRUNC; break;
    default: break;
  }
  if (flags & FILE_FLAG_WRITE_THROUGH) result |= O_DSYNC;
  return result;
}

int OpenRetrying(const char* name, int flags) {
  int fd;
  do {
    fd = ::open(name, flags, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Opens with `flags`; when they may create the file, `*existed` tells
// whether it was there already. An existing file is tried first, then an
// exclusive creation, again while another process races us to it.
int OpenForDisposition(const char* name, int flags, bool* existed) {
  *existed = true;
  if (!(flags & O_CREAT) || (flags & O_EXCL)) return OpenRetrying(name, flags);
  for (;;) {
    int fd = OpenRetrying(name, flags & ~O_CREAT);
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = OpenRetrying(name, flags | O_EXCL);
    if (fd >= 0 || errno != EEXIST) {
      *existed = false;
      return fd;
    }
  }
}

// Moves the descriptor like SetFilePointerEx; false with the last error set
// when the method is unknown or the target would be negative.
bool MoveFilePointer(int fd, LONGLONG distance, DWORD method, LONGLONG* newPosition) {
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR
             : method == FILE_END   ? SEEK_END : -1;
  if (whence < 0) return FailWith(ERROR_INVALID_PARAMETER);
  off_t base = 0;
  if (whence == SEEK_CUR) base = ::lseek(fd, 0, SEEK_CUR);
  if (whence == SEEK_END) {
    struct stat info;
    base = ::fstat(fd, &info) == 0 ? info.st_size : -1;
  }
  if (base < 0) return FailWith(ErrorFromErrno(errno));
  if ((distance < 0 && base + distance < 0) || (distance > 0 && base > LLONG_MAX - distance)) {
    return FailWith(ERROR_NEGATIVE_SEEK);
  }
  off_t target = ::lseek(fd, base + distance, SEEK_SET);
  if (target < 0) return FailWith(ErrorFromErrno(errno));
  *newPosition = target;
  return true;
}

}  // namespace
}  // namespace tavorin::platform

using tavorin::platform::FileObject;
using tavorin::platform::LookUpHandleAs;

DWORD GetLastError() { return tavorin::platform::t_lastError; }
void SetLastError(DWORD error) { tavorin::platform::t_lastError = error; }

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*security*/, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
  using namespace tavorin::platform;
  if (fileName == nullptr || creationDisposition < CREATE_NEW ||
      creationDisposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  bool existed = false;
  int fd = OpenForDisposition(
      fileName, OpenFlags(desiredAccess, creationDisposition, flagsAndAttributes), &existed);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  // Windows refuses to open a directory as a file.
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // Whether the file was there before is part of the answer of the two
  // dispositions that may create it, whatever its size.
  bool mayCreate = creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS;
  SetLastError(mayCreate && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return RegisterHandle(std::make_unique<FileObject>(fd));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped) {
  using namespace tavorin::platform;
  if (bytesRead) *bytesRead = 0;
  auto object = LookUpHandleAs<FileObject>(file);
  if (!object) return FALSE;
  if (overlapped || (buffer == nullptr && bytesToRead > 0)) return FailWith(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  while (done < bytesToRead) {
    ssize_t got = ::read(object->fd(), static_cast<BYTE*>(buffer) + done, bytesToRead - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (bytesRead) *bytesRead = done;
      return FailWith(ErrorFromErrno(errno));
    }
    if (got == 0) break;
    done += static_cast<DWORD>(got);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
  using namespace tavorin::platform;
  if (bytesWritten) *bytesWritten = 0;
  auto object = LookUpHandleAs<FileObject>(file);
  if (!object) return FALSE;
  if (overlapped || (buffer == nullptr && bytesToWrite > 0)) {
    return FailWith(ERROR_INVALID_PARAMETER);
  }
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t put =
        ::write(object->fd(), static_cast<const BYTE*>(buffer) + done, bytesToWrite - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (bytesWritten) *bytesWritten = done;
      return FailWith(put < 0 ? ErrorFromErrno(errno) : ERROR_WRITE_FAULT);
    }
    done += static_cast<DWORD>(put);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh,
                     DWORD moveMethod) {
  using namespace tavorin::platform;
  auto object = LookUpHandleAs<FileObject>(file);
  if (!object) return INVALID_SET_FILE_POINTER;
  // Without a high word the distance is a signed 32-bit value; with one, the
  // two words form a signed 64-bit distance.
  LONGLONG distance = distanceToMove;
  if (distanceToMoveHigh) {
    distance = static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceToMoveHigh)) << 32) |
                                     static_cast<DWORD>(distanceToMove));
  }
  off_t original = ::lseek(object->fd(), 0, SEEK_CUR);
  LONGLONG position = 0;
  if (!MoveFilePointer(object->fd(), distance, moveMethod, &position)) {
    return INVALID_SET_FILE_POINTER;
  }
  if (!distanceToMoveHigh && position > 0xFFFFFFFELL) {
    // The new position cannot be reported in 32 bits: Windows fails the call.
    ::lseek(object->fd(), original, SEEK_SET);
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceToMoveHigh) *distanceToMoveHigh = static_cast<LONG>(position >> 32);
  // A position whose low word is 0xFFFFFFFF is told apart from a failure by
  // a last error of 0.
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(position);
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distanceToMove, PLARGE_INTEGER newFilePointer,
                      DWORD moveMethod) {
  using namespace tavorin::platform;
  auto object = LookUpHandleAs<FileObject>(file);
  if (!object) return FALSE;
  LONGLONG position = 0;
  if (!MoveFilePointer(object->fd(), distanceToMove.QuadPart, moveMethod, &position)) return FALSE;
  if (newFilePointer) newFilePointer->QuadPart = position;
  return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER fileSize) {
  using namespace tavorin::platform;
  auto object = LookUpHandleAs<FileObject>(file);
  if (!object) return FALSE;
  if (fileSize == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  struct stat info;
  if (::fstat(object->fd(), &info) != 0) return FailWith(ErrorFromErrno(errno));
  fileSize->QuadPart = info.st_size;
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) return INVALID_FILE_SIZE;
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size.QuadPart >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size.QuadPart);
}

BOOL FlushFileBuffers(HANDLE file) {
  using namespace tavorin::platform;
  auto object = LookUpHandleAs<FileObject>(file);
  if (!object) return FALSE;
  if (::fsync(object->fd()) != 0) return FailWith(ErrorFromErrno(errno));
  return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
  using namespace tavorin::platform;
  if (fileName == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  if (::unlink(fileName) != 0) return FailWith(ErrorFromErrno(errno));
  return TRUE;
}
