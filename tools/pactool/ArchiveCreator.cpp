#include "tools/pactool/ArchiveCreator.h"

#include <IFileWriter.h>
#include <IReadAccesser.h>
#include <comobject.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "pack/LittleEndian.h"
#include "pack/PackFormat.h"
#include "tools/pactool/Failure.h"
#include "tools/pactool/Progress.h"

namespace pactool {
namespace {

namespace fs = std::filesystem;
using namespace tavorin::pack;
using tavorin::ComPtr;

struct Input {
  std::string name;  // as stored
  fs::path path;     // where to read it
  uint64_t size;
};

uint64_t FileChunkSize(const std::string& name, uint64_t size) {
  return kChunkHeaderSize + (kChunkHeaderSize + name.size() + 1) + kChunkHeaderSize + size;
}

uint64_t FileChunkSize(const Input& in) {
  return FileChunkSize(in.name, in.size);
}

// Entries whose "FILE" chunk (name and data with their headers) would not
// fit the chunk's 32-bit length are refused before anything is written.
void AddFile(std::vector<Input>& inputs, const std::string& name, const fs::path& path) {
  std::error_code error;
  uint64_t size = fs::file_size(path, error);
  if (error) throw Failure("cannot read " + path.string() + ": " + error.message());
  if (FileChunkSize(name, size) - kChunkHeaderSize > 0xFFFFFFFFull) {
    throw Failure(path.string() + " is too large for an archive entry (4 GiB less " +
                  std::to_string(FileChunkSize(name, 0)) + " bytes at most)");
  }
  inputs.push_back({name, path, size});
}

// Every regular file under the paths, in a repeatable order, never the
// archive being written.
std::vector<Input> CollectInputs(const std::vector<std::string>& paths, const fs::path& output) {
  std::vector<Input> inputs;
  for (const std::string& given : paths) {
    std::string name = StoredName(given);
    std::error_code error;
    fs::file_status status = fs::status(given, error);
    if (fs::is_regular_file(status)) {
      AddFile(inputs, name, given);
    } else if (fs::is_directory(status)) {
      std::vector<fs::path> found;
      for (fs::recursive_directory_iterator it(given, error), end; !error && it != end;
           it.increment(error)) {
        if (it->is_regular_file()) found.push_back(it->path());
      }
      if (error) throw Failure("cannot walk " + given + ": " + error.message());
      std::sort(found.begin(), found.end());
      for (const fs::path& path : found) {
        std::string inner = path.lexically_relative(given).generic_string();
        AddFile(inputs, name.empty() ? inner : name + "/" + inner, path);
      }
    } else {
      throw Failure(given + ": no such file or directory");
    }
  }
  std::error_code ignored;
  inputs.erase(
      std::remove_if(inputs.begin(), inputs.end(),
                     [&](const Input& in) { return fs::equivalent(in.path, output, ignored); }),
      inputs.end());
  std::set<std::string> names;
  for (const Input& in : inputs) {
    if (in.name.empty()) throw Failure("an empty name cannot be stored");
    if (!names.insert(in.name).second) throw Failure("\"" + in.name + "\" is given twice");
  }
  return inputs;
}

// Writes the archive's structure. Once the code is set, the writer masks
// everything that follows; headers and names must stay clear, so they are
// handed over pre-masked and come out as written.
class ChunkWriter {
 public:
  ChunkWriter(IFileWriter* writer, const std::optional<MaskCode>& mask)
      : m_writer(writer), m_mask(mask) {}

  void Clear(const void* data, size_t length) {
    std::vector<BYTE> bytes(static_cast<const BYTE*>(data),
                            static_cast<const BYTE*>(data) + length);
    if (m_masked) {
      ULONGLONG at = m_writer->Tell64();
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= (*m_mask)[(at + i) % 32];
    }
    m_writer->Write(bytes.data(), static_cast<DWORD>(bytes.size()));
  }

  void Header(DWORD tag, DWORD length) {
    BYTE header[kChunkHeaderSize];
    StoreLe32(header, tag);
    StoreLe32(header + 4, length);
    Clear(header, sizeof(header));
  }

  void StartMasking() {
    if (!m_mask) return;
    Header(kTagCcod, 32);
    Clear(m_mask->data(), 32);
    m_writer->SetXorCode(TRUE, m_mask->data());
    m_masked = true;
  }

  // Copies the file's bytes, which the writer masks when a code is set.
  void Data(const Input& in, Progress& progress) {
    ComPtr<IReadAccesser> source;
    if (FAILED(OpenReadAccesser(source.ReleaseAndGetAddressOf(), in.path.c_str()))) {
      throw Failure("cannot open " + in.path.string());
    }
    std::vector<BYTE> piece(1 << 20);
    uint64_t copied = 0;
    for (DWORD got; (got = source->Read(piece.data(), DWORD(piece.size()))) > 0;) {
      if (copied + got > in.size) break;
      m_writer->Write(piece.data(), got);
      copied += got;
      progress.Advance(0, got);
    }
    if (copied != in.size) throw Failure(in.path.string() + " changed while it was packed");
  }

 private:
  IFileWriter* m_writer;
  const std::optional<MaskCode>& m_mask;
  bool m_masked = false;
};

void WriteArchive(const std::string& path, const std::vector<Input>& inputs,
                  const std::optional<MaskCode>& mask) {
  uint64_t body = kChunkHeaderSize + 4 + (mask ? kChunkHeaderSize + 32 : 0);
  uint64_t dataBytes = 0;
  for (const Input& in : inputs) {
    body += FileChunkSize(in);
    dataBytes += in.size;
  }
  ComPtr<IFileWriter> writer;
  if (FAILED(CreateFileWriter(writer.ReleaseAndGetAddressOf(), path.c_str()))) {
    throw Failure("cannot create " + path);
  }
  ChunkWriter chunks(writer.Get(), mask);
  BYTE header[kArchiveHeaderSize];
  StoreLe32(header, kTagPac2);
  StoreLe64(header + 4, body);
  chunks.Clear(header, sizeof(header));
  chunks.StartMasking();
  BYTE count[4];
  StoreLe32(count, static_cast<DWORD>(inputs.size()));
  chunks.Header(kTagFnum, 4);
  chunks.Clear(count, 4);

  Progress progress("packing", inputs.size(), dataBytes);
  for (const Input& in : inputs) {
    chunks.Header(kTagFile, static_cast<DWORD>(FileChunkSize(in) - kChunkHeaderSize));
    chunks.Header(kTagName, static_cast<DWORD>(in.name.size() + 1));
    chunks.Clear(in.name.c_str(), in.name.size() + 1);
    chunks.Header(kTagData, static_cast<DWORD>(in.size));
    chunks.Data(in, progress);
    progress.Advance(1, 0);
  }
  bool flushed = writer->Flush();
  writer.Reset();
  std::error_code error;
  if (!flushed || fs::file_size(path, error) != kArchiveHeaderSize + body) {
    throw Failure("writing " + path + " failed (disk full?)");
  }
}

}  // namespace

std::string StoredName(const std::string& path) {
  if (!path.empty() && path[0] == '/') throw Failure(path + ": absolute paths cannot be stored");
  std::string name;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = std::min(path.find('/', start), path.size());
    std::string part = path.substr(start, end - start);
    if (part == "..") throw Failure(path + ": paths with \"..\" cannot be stored");
    if (!part.empty() && part != ".") name += (name.empty() ? "" : "/") + part;
    start = end + 1;
  }
  return name;
}

MaskCode ParseMaskCode(const std::string& hex) {
  if (hex.size() != 64) throw Failure("--mask needs 64 hexadecimal digits (32 bytes)");
  MaskCode code;
  for (size_t i = 0; i < 32; ++i) {
    std::string pair = hex.substr(2 * i, 2);
    if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
        !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
      throw Failure("--mask: \"" + pair + "\" is not a hexadecimal byte");
    }
    code[i] = static_cast<uint8_t>(std::stoul(pair, nullptr, 16));
  }
  return code;
}

MaskCode RandomMaskCode() {
  std::random_device device;
  MaskCode code;
  for (auto& byte : code) byte = static_cast<uint8_t>(device());
  return code;
}

void CreateArchive(const std::string& output, const std::vector<std::string>& paths,
                   const std::optional<MaskCode>& mask) {
  if (paths.empty()) throw Failure("create: no files given");
  std::vector<Input> inputs = CollectInputs(paths, output);
  if (inputs.size() > 0xFFFFFFFFull) throw Failure("too many files");
  std::string partial = output + ".partial";
  try {
    WriteArchive(partial, inputs, mask);
    std::error_code error;
    fs::rename(partial, output, error);
    if (error) throw Failure("cannot replace " + output + ": " + error.message());
  } catch (...) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    throw;
  }
}

}  // namespace pactool
