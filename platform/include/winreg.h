// The Win32 registry: one in-memory hive per process under
// HKEY_CLASSES_ROOT, pre-filled with the media-type check bytes the movie
// source reads. Nothing is stored on disk; every process starts from the same
// contents. All functions are safe to call from any thread.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"

// Registry results beyond the common ones in winerror.h.
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif
#ifndef ERROR_NOACCESS
#define ERROR_NOACCESS 998L
#endif
#ifndef ERROR_KEY_DELETED
#define ERROR_KEY_DELETED 1018L
#endif

typedef LONG LSTATUS;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;
typedef HKEY* PHKEY;

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))

#define READ_CONTROL 0x00020000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ \
  ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & (~SYNCHRONIZE))
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & (~SYNCHRONIZE))
#define KEY_EXECUTE ((KEY_READ) & (~SYNCHRONIZE))
#define KEY_ALL_ACCESS                                                           \
  ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | \
    KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK) &                     \
   (~SYNCHRONIZE))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L

#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// Key and value names compare without regard to ASCII case; paths separate
// keys with one backslash. A handle allows what its REGSAM asked for:
// querying needs KEY_QUERY_VALUE, enumerating KEY_ENUMERATE_SUB_KEYS,
// setting KEY_SET_VALUE and creating subkeys KEY_CREATE_SUB_KEY
// (ERROR_ACCESS_DENIED otherwise). A handle to a key deleted since answers
// ERROR_KEY_DELETED. A path with an empty component (two backslashes in a row, a leading
// one) gives ERROR_BAD_PATHNAME. Results are Win32 error codes
// (ERROR_SUCCESS, …).

// Opens `subKey` below `key` (null or "" opens `key` itself again). Missing
// keys give ERROR_FILE_NOT_FOUND. On success *result must be closed with
// RegCloseKey.
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
// Opens or creates `subKey` and any missing keys on its path; *disposition
// (optional) tells REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. The class
// and security arguments are accepted and ignored.
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM desired, const LPSECURITY_ATTRIBUTES security, PHKEY result,
                        LPDWORD disposition);
// The name of the `index`th subkey in case-insensitive name order. *nameLength
// gives the buffer's size in characters, terminator included, and receives
// the name's length without it; a name that does not fit gives
// ERROR_MORE_DATA, an index past the last subkey ERROR_NO_MORE_ITEMS. Keys
// have no class: a given class buffer receives "". The write time is the
// last time the key or its values changed.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPSTR keyClass, LPDWORD classLength, PFILETIME lastWriteTime);
// Reads a value (null or "" names the key's default value). With a null
// `data` only the type and size are reported; a buffer too small for the
// bytes gives ERROR_MORE_DATA with the needed size in *dataSize. Bytes come
// back exactly as they were set (a REG_SZ set without a terminator has none).
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
// Stores `dataSize` bytes as the value's data and `type` as its type,
// replacing any value of that name.
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
// Deletes `subKey` and its values. A key that still has subkeys, and the
// root, give ERROR_ACCESS_DENIED. Open handles to it then answer
// ERROR_KEY_DELETED.
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Closes a handle from RegOpenKeyExA or RegCreateKeyExA; closing
// HKEY_CLASSES_ROOT does nothing.
LSTATUS RegCloseKey(HKEY key);
