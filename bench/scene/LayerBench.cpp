// Reading and writing a 20 MiB "LYER" payload against a plain read and write
// of the same bytes, measured in the same run; prints the ratios at the end.
// Mesh data is nearly all of a scene file, so these bound how fast a scene
// loads and saves.
//   LayerBench [--benchmark_filter=...]   (the payload is made in /tmp once)
#include <IFileReader.h>
#include <IFileWriter.h>
#include <IVeyaLayer.h>
#include <comobject.h>
#include <d3d9.h>

#include <benchmark/benchmark.h>

#include "BigLayer.h"
#include "TimesReporter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/HeadlessDevice.h"

namespace {

namespace fs = std::filesystem;
using tavorin::ComPtr;
using namespace bench_scene;

constexpr DWORD kReaderBuffer = 65536;

const fs::path kDir = fs::temp_directory_path() / "tavorin-layer-bench";

fs::path PayloadFile() {
  static const fs::path path = [] {
    fs::create_directories(kDir);
    const fs::path file = kDir / "layer.bin";
    WriteOnce(file, BigLayerPayload());
    return file;
  }();
  return path;
}

IDirect3DDevice9* Device() {
  static tavorin::test::HeadlessDevice device(16, 16);
  return device.Get();
}

ComPtr<IFileReader> OpenReader(const fs::path& path) {
  IFileReader* reader = nullptr;
  if (FAILED(CreateFileReader(&reader, path.c_str(), nullptr, kReaderBuffer))) return nullptr;
  reader->SetAutoRefill(TRUE);
  return ComPtr<IFileReader>(reader);
}

// Baseline: the payload's bytes read into memory through the same reader.
void BM_RawRead(benchmark::State& state) {
  const fs::path path = PayloadFile();
  const DWORD size = DWORD(fs::file_size(path));
  std::vector<uint8_t> bytes(size);
  for (auto _ : state) {
    ComPtr<IFileReader> reader = OpenReader(path);
    if (!reader || reader->Read(bytes.data(), size) != size) state.SkipWithError("short read");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

void BM_LayerRead(benchmark::State& state) {
  const fs::path path = PayloadFile();
  const DWORD size = DWORD(fs::file_size(path));
  for (auto _ : state) {
    ComPtr<IFileReader> reader = OpenReader(path);
    IVeyaLayer* layer = nullptr;
    DWORD consumed = 0;
    if (!reader || FAILED(CreateLayer(&layer, 0, Device(), reader.Get(), size, &consumed))) {
      state.SkipWithError("the payload did not load");
      break;
    }
    layer->Release();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

// Baseline: the payload's bytes written through a file writer.
void BM_RawWrite(benchmark::State& state) {
  const fs::path path = PayloadFile();
  std::vector<uint8_t> bytes(fs::file_size(path));
  FILE* in = std::fopen(path.c_str(), "rb");
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), in);
  std::fclose(in);
  const std::string out = (kDir / "raw-out.bin").string();
  for (auto _ : state) {
    IFileWriter* writer = nullptr;
    if (got != bytes.size() || FAILED(CreateFileWriter(&writer, out.c_str()))) {
      state.SkipWithError("cannot write");
      break;
    }
    writer->Write(bytes.data(), DWORD(bytes.size()));
    writer->Release();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void BM_LayerWrite(benchmark::State& state) {
  const fs::path path = PayloadFile();
  const DWORD size = DWORD(fs::file_size(path));
  ComPtr<IFileReader> reader = OpenReader(path);
  IVeyaLayer* raw = nullptr;
  DWORD consumed = 0;
  if (!reader || FAILED(CreateLayer(&raw, 0, Device(), reader.Get(), size, &consumed))) {
    state.SkipWithError("the payload did not load");
    return;
  }
  ComPtr<IVeyaLayer> layer(raw);
  const std::string out = (kDir / "layer-out.bin").string();
  DWORD written = 0;
  for (auto _ : state) {
    IFileWriter* writer = nullptr;
    if (FAILED(CreateFileWriter(&writer, out.c_str()))) {
      state.SkipWithError("cannot write");
      break;
    }
    layer->Serialize(writer, &written);
    writer->Release();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * written);
}

BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LayerRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LayerWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's time per iteration for the summary.
class SummaryReporter : public TimesReporter {
 public:
  void Summary() const {
    auto ratio = [&](const std::string& baseline, const std::string& candidate, const char* label) {
      auto b = m_times.find(baseline), c = m_times.find(candidate);
      if (b == m_times.end() || c == m_times.end() || c->second <= 0) return;
      const double value = b->second / c->second;
      const double cpu = m_cpuTimes.at(baseline) / m_cpuTimes.at(candidate);
      std::printf("%-36s wall %.3f  cpu %.3f  (goal >= 0.5) %s\n", label, value, cpu,
                  value >= 0.5 ? "ok" : "BELOW GOAL");
    };
    const std::string suffix = "/min_time:2.000";
    std::printf("\nthroughput relative to the baseline of the same run:\n");
    ratio("BM_RawRead" + suffix, "BM_LayerRead" + suffix, "layer payload read / raw read");
    ratio("BM_RawWrite" + suffix, "BM_LayerWrite" + suffix, "layer payload write / raw write");
  }
};

}  // namespace

int main(int argc, char** argv) {
  return RunWithSummary<SummaryReporter>(argc, argv);
}
