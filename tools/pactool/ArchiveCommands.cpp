#include "tools/pactool/ArchiveCommands.h"

#include <IPackReader.h>
#include <comobject.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tools/pactool/Failure.h"
#include "tools/pactool/Progress.h"

namespace pactool {
namespace {

namespace fs = std::filesystem;
using tavorin::ComPtr;

ComPtr<IPackReader> OpenArchive(const std::string& archive) {
  ComPtr<IPackReader> reader;
  HRESULT hr = OpenPackReader(reader.ReleaseAndGetAddressOf(), archive.c_str());
  if (hr == E_ACCESSDENIED) throw Failure("cannot open " + archive);
  if (hr == E_INVALIDARG) throw Failure(archive + ": path too long");
  if (hr == E_OUTOFMEMORY) throw Failure(archive + ": out of memory");
  if (FAILED(hr)) throw Failure(archive + " is not a valid archive (damaged or not PAC2)");
  return reader;
}

// Streams the entry to `sink` piece by piece; returns the bytes delivered.
template <class Sink>
uint64_t CopyEntry(IPackReader* reader, DWORD index, Sink&& sink) {
  ComPtr<IReadAccesser> stream;
  if (FAILED(reader->OpenFileByIndex(stream.ReleaseAndGetAddressOf(), index))) {
    throw Failure(std::string("cannot open \"") + reader->GetEntry(index)->name + "\"");
  }
  static std::vector<BYTE> piece(1 << 20);
  uint64_t total = 0;
  for (DWORD got; (got = stream->Read(piece.data(), DWORD(piece.size()))) > 0; total += got) {
    sink(piece.data(), got);
  }
  return total;
}

// The table index of `name`: the table is sorted, so bisect as the reader does.
DWORD IndexOf(IPackReader* reader, const std::string& name) {
  DWORD lo = 0, hi = reader->GetFileCount();
  while (lo < hi) {
    DWORD mid = lo + (hi - lo) / 2;
    if (std::strcmp(reader->GetEntry(mid)->name, name.c_str()) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo == reader->GetFileCount() || name != reader->GetEntry(lo)->name) {
    throw Failure("\"" + name + "\" is not in the archive");
  }
  return lo;
}

bool Within(const fs::path& root, const fs::path& path) {
  auto mismatch = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return mismatch.first == root.end();
}

std::string LeadsOutside(const std::string& name, const fs::path& root) {
  return "refusing to extract \"" + name + "\": it leads outside " + root.string();
}

// Where `name` goes below `root`, refusing anything that would land outside
// it, through ".." or through a symbolic link already in the tree. Every
// step of the path is checked before any directory is made: a directory
// created through a link would already stand outside.
fs::path TargetPath(const fs::path& root, const std::string& name) {
  if (!IsSafeName(name)) throw Failure("refusing to extract \"" + name + "\": unsafe name");
  const fs::path realRoot = fs::canonical(root);
  fs::path target = root;
  for (const fs::path& part : fs::path(name).relative_path()) {
    if (part.empty() || part == ".") continue;
    target /= part;
    fs::file_status status = fs::symlink_status(target);
    if (!fs::exists(status)) continue;
    std::error_code error;
    fs::path real = fs::canonical(target, error);
    if (error || !Within(realRoot, real)) throw Failure(LeadsOutside(name, root));
  }
  // The file itself is replaced, never written through a link.
  if (fs::is_symlink(fs::symlink_status(target))) throw Failure(LeadsOutside(name, root));
  fs::create_directories(target.parent_path());
  return target;
}

}  // namespace

bool IsSafeName(const std::string& name) {
  if (name.empty() || name[0] == '/') return false;
  for (const auto& part : fs::path(name)) {
    if (part == "..") return false;
  }
  return true;
}

void ListArchive(const std::string& archive, bool longFormat) {
  ComPtr<IPackReader> reader = OpenArchive(archive);
  for (DWORD i = 0; i < reader->GetFileCount(); ++i) {
    const PackEntry* entry = reader->GetEntry(i);
    if (longFormat) {
      std::printf("%10lu %12llu  %s\n", static_cast<unsigned long>(entry->size),
                  static_cast<unsigned long long>(entry->offset), entry->name);
    } else {
      std::printf("%s\n", entry->name);
    }
  }
}

void ExtractArchive(const std::string& archive, const std::vector<std::string>& names,
                    const std::string& directory) {
  ComPtr<IPackReader> reader = OpenArchive(archive);
  std::vector<DWORD> chosen;
  uint64_t totalBytes = 0;
  if (names.empty()) {
    for (DWORD i = 0; i < reader->GetFileCount(); ++i) chosen.push_back(i);
  } else {
    for (const std::string& name : names) chosen.push_back(IndexOf(reader.Get(), name));
  }
  for (DWORD index : chosen) {
    const char* name = reader->GetEntry(index)->name;
    if (!IsSafeName(name))
      throw Failure(std::string("refusing to extract \"") + name + "\": unsafe name");
    totalBytes += reader->GetEntry(index)->size;
  }

  std::error_code error;
  fs::create_directories(directory, error);
  if (error) throw Failure("cannot create " + directory + ": " + error.message());
  Progress progress("extracting", chosen.size(), totalBytes);
  for (DWORD index : chosen) {
    const PackEntry* entry = reader->GetEntry(index);
    fs::path target;
    try {
      target = TargetPath(directory, entry->name);
    } catch (const fs::filesystem_error& e) {
      throw Failure(std::string("cannot extract \"") + entry->name + "\": " + e.what());
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) throw Failure("cannot write " + target.string());
    uint64_t copied = CopyEntry(reader.Get(), index, [&](const BYTE* data, DWORD length) {
      out.write(reinterpret_cast<const char*>(data), length);
      progress.Advance(0, length);
    });
    out.close();
    if (!out) throw Failure("writing " + target.string() + " failed");
    if (copied != entry->size) throw Failure(std::string("\"") + entry->name + "\" is truncated");
    progress.Advance(1, 0);
  }
}

void CatEntry(const std::string& archive, const std::string& name) {
  ComPtr<IPackReader> reader = OpenArchive(archive);
  DWORD index = IndexOf(reader.Get(), name);
  uint64_t copied = CopyEntry(reader.Get(), index, [](const BYTE* data, DWORD length) {
    if (std::fwrite(data, 1, length, stdout) != length) throw Failure("cannot write to stdout");
  });
  if (std::fflush(stdout) != 0) throw Failure("cannot write to stdout");
  if (copied != reader->GetEntry(index)->size) throw Failure("\"" + name + "\" is truncated");
}

bool VerifyArchive(const std::string& archive) {
  ComPtr<IPackReader> reader = OpenArchive(archive);
  DWORD count = reader->GetFileCount();
  uint64_t totalBytes = 0;
  for (DWORD i = 0; i < count; ++i) totalBytes += reader->GetEntry(i)->size;
  int problems = 0;
  auto problem = [&](const std::string& text) {
    std::fprintf(stderr, "pactool: %s: %s\n", archive.c_str(), text.c_str());
    ++problems;
  };
  Progress progress("verifying", count, totalBytes);
  for (DWORD i = 0; i < count; ++i) {
    const PackEntry* entry = reader->GetEntry(i);
    std::string name = entry->name;
    if (i > 0 && name == reader->GetEntry(i - 1)->name) problem("\"" + name + "\" is stored twice");
    if (!IsSafeName(name)) problem("\"" + name + "\" cannot be extracted safely");
    uint64_t read =
        CopyEntry(reader.Get(), i, [&](const BYTE*, DWORD length) { progress.Advance(0, length); });
    if (read != entry->size) problem("\"" + name + "\" is truncated");
    progress.Advance(1, 0);
  }
  if (problems == 0) {
    std::printf("%s: OK, %lu files, %llu bytes\n", archive.c_str(),
                static_cast<unsigned long>(count), static_cast<unsigned long long>(totalBytes));
  }
  return problems == 0;
}

}  // namespace pactool
