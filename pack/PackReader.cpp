#include "pack/PackReader.h"

#include <algorithm>
#include <cstring>

#include "pack/PackFormat.h"

namespace tavorin::pack {

// Reads the archive's chunks through a 256-byte announced-mode file reader.
// Every length is checked against the bytes left in the archive before it is
// used, so a damaged directory is refused before anything is allocated for it.
class CPackReader::DirectoryParser {
 public:
  DirectoryParser(CPackReader& owner, IFileReader* reader, ULONGLONG fileSize)
      : m_owner(owner), m_reader(reader), m_fileSize(fileSize) {}

  HRESULT Parse() {
    BYTE header[kArchiveHeaderSize];
    if (!ReadExact(header, kArchiveHeaderSize)) return E_FAIL;
    if (LoadLe32(header) != kTagPac2) return E_FAIL;
    // Stored unsigned, read as signed: a length of 0 or less means no chunks.
    LONGLONG bodyLength = static_cast<LONGLONG>(LoadLe64(header + 4));
    if (bodyLength > 0 && static_cast<ULONGLONG>(bodyLength) > Remaining()) return E_FAIL;
    ULONGLONG consumed = 0;
    while (static_cast<LONGLONG>(consumed) < bodyLength) {
      DWORD tag = 0, length = 0;
      if (!ReadChunkHeader(&tag, &length)) return E_FAIL;
      HRESULT hr = ParseChunk(tag, length);
      if (FAILED(hr)) return hr;
      consumed += kChunkHeaderSize + static_cast<ULONGLONG>(length);
    }
    // Fewer "FILE" chunks than announced leave the rest of the table unused.
    m_owner.m_entries.shrink_to_fit();
    return S_OK;
  }

 private:
  HRESULT ParseChunk(DWORD tag, DWORD length) {
    if (length > Remaining()) return E_FAIL;
    switch (tag) {
      case kTagFnum:
        return ParseFileCount(length);
      case kTagFile:
        return ParseFile(length);
      case kTagCcod:
        return ParseCode(length);
      default:
        return Skip(length) ? S_OK : E_FAIL;
    }
  }

  HRESULT ParseFileCount(DWORD length) {
    if (m_counted || length < 4) return E_FAIL;
    BYTE payload[4];
    if (!ReadExact(payload, 4) || !Skip(length - 4)) return E_FAIL;
    DWORD count = LoadLe32(payload);
    if (count > Remaining() / kMinFileChunkSize) return E_FAIL;
    m_counted = true;
    m_announced = count;
    m_owner.m_entries.reserve(count);
    m_owner.m_names.reserve(count);
    return S_OK;
  }

  HRESULT ParseFile(DWORD length) {
    if (!m_counted || m_owner.m_entries.size() >= m_announced) return E_FAIL;
    PackEntry entry = {nullptr, 0, 0};
    std::unique_ptr<char[]> name;
    DWORD used = 0;
    while (used < length) {
      DWORD tag = 0, subLength = 0;
      if (length - used < kChunkHeaderSize || !ReadChunkHeader(&tag, &subLength)) return E_FAIL;
      used += kChunkHeaderSize;
      if (subLength > length - used) return E_FAIL;
      if (tag == kTagName) {
        if (subLength == 0) return E_FAIL;
        name.reset(new char[subLength]);
        if (!ReadExact(name.get(), subLength) || name[subLength - 1] != 0) return E_FAIL;
      } else if (tag == kTagData) {
        entry.size = subLength;
        entry.offset = m_position;
        if (!Skip(subLength)) return E_FAIL;
      } else if (!Skip(subLength)) {
        return E_FAIL;
      }
      used += subLength;
    }
    if (!name) return E_FAIL;
    entry.name = name.get();
    m_owner.m_names.push_back(std::move(name));
    m_owner.m_entries.push_back(entry);
    return S_OK;
  }

  HRESULT ParseCode(DWORD length) {
    // A shorter code leaves its tail zero; a longer one keeps its first 32
    // bytes.
    DWORD kept = std::min(length, kXorCodeSize);
    BYTE code[kXorCodeSize] = {};
    if (!ReadExact(code, kept) || !Skip(length - kept)) return E_FAIL;
    std::memcpy(m_owner.m_code, code, kXorCodeSize);
    m_owner.m_masked = TRUE;
    return S_OK;
  }

  bool ReadChunkHeader(DWORD* tag, DWORD* length) {
    BYTE header[kChunkHeaderSize];
    if (!ReadExact(header, kChunkHeaderSize)) return false;
    *tag = LoadLe32(header);
    *length = LoadLe32(header + 4);
    return true;
  }

  // Reads exactly `length` bytes that must all lie inside the archive.
  bool ReadExact(void* buffer, DWORD length) {
    if (length == 0) return true;
    if (length > Remaining()) return false;
    if (FAILED(m_reader->Prefetch(length)) || m_reader->Read(buffer, length) != length) {
      return false;
    }
    m_position += length;
    return true;
  }

  // Skips `length` bytes that must all lie inside the archive.
  bool Skip(DWORD length) {
    if (length == 0) return true;
    if (length > Remaining()) return false;
    m_position += length;
    return m_reader->Seek64(static_cast<LONGLONG>(m_position), FILE_BEGIN) ==
           static_cast<LONGLONG>(m_position);
  }

  ULONGLONG Remaining() const { return m_fileSize - m_position; }

  CPackReader& m_owner;
  IFileReader* m_reader;
  ULONGLONG m_fileSize;
  // Tracked here rather than asked of the stream: asking costs a system call,
  // and a large directory holds several chunks per file.
  ULONGLONG m_position = 0;
  bool m_counted = false;
  DWORD m_announced = 0;
};

HRESULT CPackReader::Init(const char* path) {
  if (path == nullptr) return E_INVALIDARG;
  size_t length = std::strlen(path);
  if (length >= MAX_PATH) return E_INVALIDARG;
  std::memcpy(m_path, path, length + 1);

  ComPtr<IReadAccesser> stream;
  HRESULT hr = OpenReadAccesser(stream.ReleaseAndGetAddressOf(), m_path);
  if (FAILED(hr)) return hr;
  LONGLONG fileSize = stream->Seek64(0, FILE_END);
  if (fileSize < 0 || stream->Seek64(0, FILE_BEGIN) != 0) return E_FAIL;
  ComPtr<IFileReader> reader;
  hr = CreateFileReader(reader.ReleaseAndGetAddressOf(), nullptr, stream.Get(), 256);
  if (FAILED(hr)) return hr;

  hr = DirectoryParser(*this, reader.Get(), static_cast<ULONGLONG>(fileSize)).Parse();
  if (FAILED(hr)) return hr;
  std::sort(m_entries.begin(), m_entries.end(),
            [](const PackEntry& a, const PackEntry& b) { return std::strcmp(a.name, b.name) < 0; });
  return S_OK;
}

DWORD CPackReader::GetFileCount() {
  return static_cast<DWORD>(m_entries.size());
}

const PackEntry* CPackReader::GetEntry(DWORD index) {
  return index < m_entries.size() ? &m_entries[index] : nullptr;
}

BOOL CPackReader::Contains(const char* name) {
  return Find(name) ? TRUE : FALSE;
}

HRESULT CPackReader::OpenFile(IReadAccesser** out, const char* name) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const PackEntry* entry = Find(name);
  if (entry == nullptr) return E_FAIL;
  return OpenPackFile(out, m_path, entry->offset, entry->size, m_masked, m_code);
}

HRESULT CPackReader::OpenFileByIndex(IReadAccesser** out, DWORD index) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const PackEntry* entry = GetEntry(index);
  if (entry == nullptr) return E_FAIL;
  return OpenPackFile(out, m_path, entry->offset, entry->size, m_masked, m_code);
}

const PackEntry* CPackReader::Find(const char* name) const {
  if (name == nullptr) return nullptr;
  // strcmp orders by unsigned bytes, the table's sort order.
  auto it = std::lower_bound(
      m_entries.begin(), m_entries.end(), name,
      [](const PackEntry& entry, const char* key) { return std::strcmp(entry.name, key) < 0; });
  if (it == m_entries.end() || std::strcmp(it->name, name) != 0) return nullptr;
  return &*it;
}

}  // namespace tavorin::pack

HRESULT OpenPackReader(IPackReader** out, const char* path) {
  return tavorin::CreateComObject<tavorin::pack::CPackReader>(out, path);
}

HRESULT CreatePackReader(IPackReader** out) {
  return OpenPackReader(out, "Data.pac");
}
