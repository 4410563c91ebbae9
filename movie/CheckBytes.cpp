#include "movie/CheckBytes.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace tavorin::movie {
namespace {

constexpr const char* kStreamTypesKey = "Media Type\\{e436eb83-524f-11ce-9f53-0020af0ba770}";
constexpr DWORD kMaxSubkeyName = 64;  // terminator included
constexpr int kMaxPatternsPerSubtype = 1000;
constexpr DWORD kMaxPatternBytes = 256;

struct Field {
  const char* begin;
  const char* end;
  bool empty() const { return begin == end; }
};

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// The pattern's comma-separated fields, each trimmed of control characters
// and spaces at both ends.
std::vector<Field> SplitFields(const char* pattern) {
  std::vector<Field> fields;
  const char* start = pattern;
  for (const char* p = pattern;; ++p) {
    if (*p != ',' && *p != '\0') continue;
    Field field{start, p};
    while (field.begin < field.end && IsBlank(*field.begin)) ++field.begin;
    while (field.end > field.begin && IsBlank(field.end[-1])) --field.end;
    fields.push_back(field);
    if (*p == '\0') return fields;
    start = p + 1;
  }
}

// A decimal integer with an optional sign, within [low, high].
bool ParseDecimal(Field field, long long low, long long high, long long* out) {
  const char* p = field.begin;
  bool negative = false;
  if (p < field.end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  if (p == field.end) return false;
  long long value = 0;
  for (; p < field.end; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > high - low) return false;  // stops long before overflow
  }
  value = negative ? -value : value;
  if (value < low || value > high) return false;
  *out = value;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes a hexadecimal field into a zero-filled buffer, so that bytes the
// field does not give compare as zero rather than as whatever was there.
bool ParseHex(Field field, BYTE (&bytes)[kMaxCheckBytes]) {
  std::memset(bytes, 0, sizeof(bytes));
  size_t digits = size_t(field.end - field.begin);
  if (digits % 2 != 0 || digits / 2 > kMaxCheckBytes) return false;
  for (size_t i = 0; i < digits / 2; ++i) {
    int high = HexDigit(field.begin[2 * i]);
    int low = HexDigit(field.begin[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = BYTE(high << 4 | low);
  }
  return true;
}

bool MatchQuadruple(IReadAccesser* stream, const Field* fields) {
  long long offset = 0;
  long long length = 0;
  BYTE mask[kMaxCheckBytes];
  BYTE value[kMaxCheckBytes];
  if (!ParseDecimal(fields[0], -0x80000000ll, 0x7FFFFFFFll, &offset) ||
      !ParseDecimal(fields[1], 0, kMaxCheckBytes, &length) || !ParseHex(fields[2], mask) ||
      !ParseHex(fields[3], value)) {
    return false;
  }
  // A failed seek leaves the position where it was; comparing there would
  // test the wrong bytes.
  if (stream->Seek(LONG(offset), 0) == 0xFFFFFFFF) return false;
  BYTE data[kMaxCheckBytes];
  if (length > 0 && stream->Read(data, DWORD(length)) < DWORD(length)) return false;
  bool masked = !fields[2].empty();
  for (int i = 0; i < length; ++i) {
    BYTE byte = masked ? BYTE(mask[i] & data[i]) : data[i];
    if (byte != value[i]) return false;
  }
  return true;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in either case.
bool ParseGuid(const char* text, GUID* guid) {
  if (std::strlen(text) != 38 || text[0] != '{' || text[37] != '}') return false;
  BYTE bytes[16];
  int count = 0;
  for (int i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != '-') return false;
      continue;
    }
    int high = HexDigit(text[i]);
    int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[count++] = BYTE(high << 4 | low);
    ++i;
  }
  guid->Data1 = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | bytes[3];
  guid->Data2 = WORD(bytes[4] << 8 | bytes[5]);
  guid->Data3 = WORD(bytes[6] << 8 | bytes[7]);
  std::memcpy(guid->Data4, bytes + 8, 8);
  return true;
}

// True when one of the subtype key's patterns matches. The scan stops at the
// first value that cannot be read: missing, or longer than 256 bytes.
bool SubtypeMatches(HKEY subtype, IReadAccesser* stream) {
  for (int index = 0; index < kMaxPatternsPerSubtype; ++index) {
    char name[16];
    std::snprintf(name, sizeof(name), "%d", index);
    char pattern[kMaxPatternBytes + 1] = {};  // the extra byte terminates any value
    DWORD size = kMaxPatternBytes;
    if (RegQueryValueExA(subtype, name, nullptr, nullptr, reinterpret_cast<BYTE*>(pattern),
                         &size) != ERROR_SUCCESS) {
      return false;
    }
    if (MatchCheckBytes(stream, pattern)) return true;
  }
  return false;
}

}  // namespace

bool MatchCheckBytes(IReadAccesser* stream, const char* pattern) {
  if (pattern == nullptr) return true;
  if (stream == nullptr) return false;
  std::vector<Field> fields = SplitFields(pattern);
  if (fields.size() % 4 != 0) return false;
  for (size_t i = 0; i < fields.size(); i += 4) {
    if (!MatchQuadruple(stream, &fields[i])) return false;
  }
  return true;
}

GUID DetectStreamSubtype(IReadAccesser* stream) {
  HKEY types = nullptr;
  if (stream == nullptr ||
      RegOpenKeyExA(HKEY_CLASSES_ROOT, kStreamTypesKey, 0, KEY_READ, &types) != ERROR_SUCCESS) {
    return kUnknownStreamSubtype;
  }
  GUID found = kUnknownStreamSubtype;
  for (DWORD index = 0;; ++index) {
    char name[kMaxSubkeyName];
    DWORD length = kMaxSubkeyName;
    if (RegEnumKeyExA(types, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    HKEY subtype = nullptr;
    if (RegOpenKeyExA(types, name, 0, KEY_READ, &subtype) != ERROR_SUCCESS) continue;
    bool matches = SubtypeMatches(subtype, stream);
    RegCloseKey(subtype);
    // A key whose name is no GUID cannot name the subtype; later keys may.
    GUID guid;
    if (matches && ParseGuid(name, &guid)) {
      found = guid;
      break;
    }
  }
  RegCloseKey(types);
  return found;
}

}  // namespace tavorin::movie
