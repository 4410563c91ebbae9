// Archive and reader throughput against plain file reads of the same bytes,
// measured in the same run; prints the ratios at the end.
//   pack_bench [--benchmark_filter=...]   (files are made in /tmp once)
#include <IFileReader.h>
#include <IPackReader.h>
#include <comobject.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tavorin::ComPtr;

constexpr uint64_t kEntrySize = 256ull << 20;
constexpr DWORD kPiece = 64 << 10;
constexpr uint64_t kSmallFileSize = 32ull << 20;
constexpr DWORD kDirectoryEntries = 100000;
// Header, FNUM, FILE, NAME "big\0", DATA header.
constexpr uint64_t kBigDataOffset = 12 + 12 + 8 + 12 + 8;

const fs::path kDir = fs::temp_directory_path() / "tavorin-pack-bench";

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void PutChunkHeader(std::vector<uint8_t>& out, const char* tag, uint32_t length) {
  out.insert(out.end(), tag, tag + 4);
  Put32(out, length);
}

// An archive holding one 256 MiB entry "big", masked when `code` is given.
void MakeBigArchive(const fs::path& path, const uint8_t* code) {
  if (fs::exists(path) && fs::file_size(path) == kBigDataOffset + kEntrySize) return;
  std::vector<uint8_t> head = {'P', 'A', 'C', '2'};
  uint64_t body = kBigDataOffset - 12 + kEntrySize + (code ? 40 : 0);
  for (int i = 0; i < 8; ++i) head.push_back(uint8_t(body >> (8 * i)));
  PutChunkHeader(head, "FNUM", 4);
  Put32(head, 1);
  PutChunkHeader(head, "FILE", uint32_t(12 + 8 + kEntrySize));
  PutChunkHeader(head, "NAME", 4);
  head.insert(head.end(), {'b', 'i', 'g', 0});
  PutChunkHeader(head, "DATA", uint32_t(kEntrySize));
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(head.data(), 1, head.size(), file);
  std::mt19937_64 random(1);
  std::vector<uint64_t> piece(kPiece / 8);
  for (uint64_t done = 0; done < kEntrySize; done += kPiece) {
    for (auto& word : piece) word = random();
    std::fwrite(piece.data(), 1, kPiece, file);
  }
  if (code) {
    std::vector<uint8_t> tail;
    PutChunkHeader(tail, "CCOD", 32);
    tail.insert(tail.end(), code, code + 32);
    std::fwrite(tail.data(), 1, tail.size(), file);
  }
  std::fclose(file);
}

const uint8_t kCode[32] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB,
                           0xCC, 0xDD, 0xEE, 0xF0, 0x01, 0x12, 0x23, 0x34, 0x45, 0x56, 0x67,
                           0x78, 0x89, 0x9A, 0xAB, 0xBC, 0xCD, 0xDE, 0xEF, 0x0F, 0x1E};

fs::path Prepare(const char* name) {
  fs::create_directories(kDir);
  fs::path path = kDir / name;
  if (std::strcmp(name, "plain.pac") == 0) MakeBigArchive(path, nullptr);
  if (std::strcmp(name, "masked.pac") == 0) MakeBigArchive(path, kCode);
  return path;
}

// Baseline: the entry's bytes read straight from the file with ReadFile.
void BM_LooseFileRead(benchmark::State& state) {
  fs::path path = Prepare("plain.pac");
  std::vector<uint8_t> buffer(kPiece);
  for (auto _ : state) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    SetFilePointer(file, LONG(kBigDataOffset), nullptr, FILE_BEGIN);
    for (uint64_t done = 0; done < kEntrySize;) {
      DWORD got = 0;
      ReadFile(file, buffer.data(), kPiece, &got, nullptr);
      if (got == 0) break;
      done += got;
    }
    benchmark::DoNotOptimize(buffer.data());
    CloseHandle(file);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * kEntrySize));
}

void ArchivedRead(benchmark::State& state, const char* archive) {
  fs::path path = Prepare(archive);
  std::vector<uint8_t> buffer(kPiece);
  ComPtr<IPackReader> reader;
  if (FAILED(OpenPackReader(reader.ReleaseAndGetAddressOf(), path.c_str()))) {
    state.SkipWithError("cannot open the archive");
    return;
  }
  for (auto _ : state) {
    ComPtr<IReadAccesser> stream;
    reader->OpenFile(stream.ReleaseAndGetAddressOf(), "big");
    uint64_t done = 0;
    for (DWORD got; (got = stream->Read(buffer.data(), kPiece)) > 0;) done += got;
    if (done != kEntrySize) state.SkipWithError("short read");
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * kEntrySize));
}
void BM_ArchivedRead(benchmark::State& state) {
  ArchivedRead(state, "plain.pac");
}
void BM_ArchivedReadMasked(benchmark::State& state) {
  ArchivedRead(state, "masked.pac");
}

fs::path SmallFile() {
  fs::create_directories(kDir);
  fs::path path = kDir / "words.bin";
  if (!fs::exists(path) || fs::file_size(path) != kSmallFileSize) {
    std::vector<uint8_t> bytes(kSmallFileSize);
    std::mt19937 random(2);
    for (auto& b : bytes) b = uint8_t(random());
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return path;
}

// Baseline: a hand-written loop over a 64 KiB buffer taking 4 bytes at a time.
void BM_HandBuffered4ByteReads(benchmark::State& state) {
  fs::path path = SmallFile();
  std::vector<uint8_t> buffer(65536);
  for (auto _ : state) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    uint32_t sum = 0;
    DWORD filled = 0, at = 0;
    for (;;) {
      if (filled - at < 4) {
        DWORD keep = filled - at;
        std::memmove(buffer.data(), buffer.data() + at, keep);
        DWORD got = 0;
        ReadFile(file, buffer.data() + keep, DWORD(buffer.size()) - keep, &got, nullptr);
        filled = keep + got;
        at = 0;
        if (filled < 4) break;
      }
      uint32_t value;
      std::memcpy(&value, buffer.data() + at, 4);
      at += 4;
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
    CloseHandle(file);
  }
  state.SetItemsProcessed(int64_t(state.iterations() * kSmallFileSize / 4));
}

void BM_FileReader4ByteReads(benchmark::State& state) {
  fs::path path = SmallFile();
  for (auto _ : state) {
    ComPtr<IFileReader> reader;
    CreateFileReader(reader.ReleaseAndGetAddressOf(), path.c_str(), nullptr, 65536);
    reader->SetAutoRefill(TRUE);
    uint32_t sum = 0, value = 0;
    while (reader->Read(&value, 4) == 4) sum += value;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations() * kSmallFileSize / 4));
}

std::string EntryName(DWORD i) {
  return "content/group" + std::to_string(i % 97) + "/file" + std::to_string(i) + ".bin";
}

fs::path DirectoryArchive() {
  fs::create_directories(kDir);
  fs::path path = kDir / "many.pac";
  if (fs::exists(path)) return path;
  std::vector<uint8_t> body;
  PutChunkHeader(body, "FNUM", 4);
  Put32(body, kDirectoryEntries);
  for (DWORD i = 0; i < kDirectoryEntries; ++i) {
    std::string name = EntryName(i);
    PutChunkHeader(body, "FILE", uint32_t(8 + name.size() + 1 + 8 + 16));
    PutChunkHeader(body, "NAME", uint32_t(name.size() + 1));
    body.insert(body.end(), name.begin(), name.end() + 1);
    PutChunkHeader(body, "DATA", 16);
    body.insert(body.end(), 16, uint8_t(i));
  }
  std::vector<uint8_t> head = {'P', 'A', 'C', '2'};
  for (int i = 0; i < 8; ++i) head.push_back(uint8_t(uint64_t(body.size()) >> (8 * i)));
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(head.data(), 1, head.size(), file);
  std::fwrite(body.data(), 1, body.size(), file);
  std::fclose(file);
  return path;
}

void BM_OpenDirectoryOf100000(benchmark::State& state) {
  fs::path path = DirectoryArchive();
  for (auto _ : state) {
    ComPtr<IPackReader> reader;
    if (FAILED(OpenPackReader(reader.ReleaseAndGetAddressOf(), path.c_str()))) {
      state.SkipWithError("cannot open");
    }
  }
}

void BM_LookUpEveryNameOf100000(benchmark::State& state) {
  fs::path path = DirectoryArchive();
  ComPtr<IPackReader> reader;
  OpenPackReader(reader.ReleaseAndGetAddressOf(), path.c_str());
  std::vector<std::string> names;
  for (DWORD i = 0; i < kDirectoryEntries; ++i) names.push_back(EntryName(i));
  for (auto _ : state) {
    DWORD found = 0;
    for (const std::string& name : names) found += reader->Contains(name.c_str());
    if (found != kDirectoryEntries) state.SkipWithError("a name was not found");
  }
  state.counters["lookups/s"] = benchmark::Counter(double(state.iterations()) * kDirectoryEntries,
                                                   benchmark::Counter::kIsRate);
}

BENCHMARK(BM_LooseFileRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ArchivedRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ArchivedReadMasked)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_HandBuffered4ByteReads)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FileReader4ByteReads)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenDirectoryOf100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookUpEveryNameOf100000)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
      m_cpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Summary() const {
    auto ratio = [&](const char* baseline, const char* candidate, const char* label, double goal) {
      auto b = m_times.find(baseline), c = m_times.find(candidate);
      if (b == m_times.end() || c == m_times.end() || c->second <= 0) return;
      double value = b->second / c->second;
      double cpu = m_cpuTimes.at(baseline) / m_cpuTimes.at(candidate);
      std::printf("%-44s wall %.3f  cpu %.3f  (goal >= %.1f) %s\n", label, value, cpu, goal,
                  value >= goal ? "ok" : "BELOW GOAL");
    };
    std::printf("\nthroughput relative to the baseline of the same run:\n");
    ratio("BM_LooseFileRead/min_time:2.000", "BM_ArchivedRead/min_time:2.000",
          "archived 64 KiB reads / loose file", 0.9);
    ratio("BM_LooseFileRead/min_time:2.000", "BM_ArchivedReadMasked/min_time:2.000",
          "masked archived 64 KiB reads / loose file", 0.8);
    ratio("BM_HandBuffered4ByteReads/min_time:2.000", "BM_FileReader4ByteReads/min_time:2.000",
          "CFileReader 4-byte reads / hand-written loop", 0.5);
    auto open = m_times.find("BM_OpenDirectoryOf100000");
    auto look = m_times.find("BM_LookUpEveryNameOf100000");
    if (open != m_times.end()) std::printf("open 100,000-entry directory: %.1f ms\n", open->second);
    if (look != m_times.end()) {
      std::printf("look up all 100,000 names: %.1f ms = %.0f lookups/s\n", look->second,
                  kDirectoryEntries / (look->second / 1000.0));
    }
  }

 private:
  std::map<std::string, double> m_times;
  // CPU time as well: the machine is shared, and wall time then includes
  // other people's work.
  std::map<std::string, double> m_cpuTimes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  return 0;
}
