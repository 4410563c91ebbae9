// Loading and saving a 21 MB scene against a plain read and write of the
// same bytes, measured in the same run, and posing a 200-motion scene;
// prints the ratios and the time per motion at the end.
//   SceneBench [--benchmark_filter=...]   (the scene files are made in /tmp once)
#include <IFileReader.h>
#include <IFileWriter.h>
#include <IVeya2.h>
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

constexpr WORD kMotions = 200;
constexpr DWORD kReaderBuffer = 65536;

const fs::path kDir = fs::temp_directory_path() / "tavorin-scene-bench";

class QuietShader : public tavorin::ComObject<IVeyaShader> {
 public:
  HRESULT Init() { return S_OK; }
  HRESULT Begin(DWORD, DWORD) override { return S_OK; }
  HRESULT BeginEdge(DWORD) override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT SetMaterial(const SurfaceRenderParameters*, DWORD) override { return S_OK; }
  HRESULT SetMatrix(SHORT, const D3DXMATRIX*) override { return S_OK; }
  HRESULT SetMorphWeights(const FLOAT*, const FLOAT*, const FLOAT*) override { return S_OK; }
  HRESULT SetEdge(FLOAT, const SurfaceEdgeParameters*) override { return S_OK; }
};

// One layer of four meshes of 65,535 vertices and 21,845 triangles, each on
// its own (empty) surface: mesh data is nearly all of a real scene file.
std::vector<uint8_t> BigScene() {
  const std::vector<uint8_t> layer = BigLayerPayload();
  std::vector<uint8_t> body;
  Count(body, "LYRN", 1);
  Header(body, "LYER", uint32_t(layer.size()));
  body.insert(body.end(), layer.begin(), layer.end());
  Count(body, "SRFN", kMeshes);
  for (WORD m = 0; m < kMeshes; ++m) Header(body, "SURF", 0);
  std::vector<uint8_t> file;
  Header(file, "VMF4", uint32_t(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

fs::path BigSceneFile() {
  static const fs::path path = [] {
    fs::create_directories(kDir);
    const fs::path file = kDir / "big.vmf";
    WriteOnce(file, BigScene());
    return file;
  }();
  return path;
}

// 200 motions in a skeleton of three children a joint (five levels deep),
// each with keyed translation, rotation and scale, saved through the motions'
// own writer.
fs::path MotionSceneFile() {
  static const fs::path path = [] {
    fs::create_directories(kDir);
    const fs::path file = kDir / "motions.vmf";
    std::vector<ComPtr<IVeyaMotion>> motions;
    DWORD total = 10;
    for (WORD i = 0; i < kMotions; ++i) {
      IVeyaMotion* motion = nullptr;
      CreateMotion(&motion, i, nullptr, 0, nullptr);
      motions.emplace_back(motion);
      if (i > 0) motion->SetParent(motions[(i - 1) / 3].Get());
      for (CurveTrack* track : {motion->GetTrackTranslationX(), motion->GetTrackRotationY(),
                                motion->GetTrackScaleZ()}) {
        track->keyCount = 4;
        track->keys.reset(new CurveKey[4]);
        for (WORD k = 0; k < 4; ++k) {
          track->keys[k] =
              CurveKey{0.1f * (k + i % 7), INT(k * 30), WORD(k % 4), {0, 0, 0, 0.2f, 0.1f, 0}};
        }
      }
      DWORD size = 0;
      motion->Serialize(nullptr, &size);
      total += 8 + size;
    }
    IFileWriter* writer = nullptr;
    if (FAILED(CreateFileWriter(&writer, file.c_str()))) return file;
    std::vector<uint8_t> head;
    Header(head, "VMF4", total);
    Count(head, "MOTN", kMotions);
    writer->Write(head.data(), DWORD(head.size()));
    for (auto& motion : motions) {
      DWORD size = 0;
      motion->Serialize(nullptr, &size);
      std::vector<uint8_t> chunk;
      Header(chunk, "MOTI", size);
      writer->Write(chunk.data(), DWORD(chunk.size()));
      motion->Serialize(writer, &size);
    }
    writer->Release();
    for (auto& motion : motions) motion->SetParent(nullptr);
    return file;
  }();
  return path;
}

IDirect3DDevice9* Device() {
  static tavorin::test::HeadlessDevice device(16, 16);
  return device.Get();
}

IVeyaShader* Shader() {
  static IVeyaShader* shader = [] {
    IVeyaShader* made = nullptr;
    tavorin::CreateComObject<QuietShader>(&made);
    return made;
  }();
  return shader;
}

ComPtr<IVeya2> LoadScene(const fs::path& path) {
  IVeya2* scene = nullptr;
  if (FAILED(CreateVeya2(&scene, path.c_str(), Device(), Shader(), nullptr))) return nullptr;
  return ComPtr<IVeya2>(scene);
}

// Baseline: the file's bytes read into memory through the same reader.
void BM_RawRead(benchmark::State& state) {
  const fs::path path = BigSceneFile();
  const DWORD size = DWORD(fs::file_size(path));
  std::vector<uint8_t> bytes(size);
  for (auto _ : state) {
    IFileReader* reader = nullptr;
    if (FAILED(CreateFileReader(&reader, path.c_str(), nullptr, kReaderBuffer))) break;
    reader->SetAutoRefill(TRUE);
    if (reader->Read(bytes.data(), size) != size) state.SkipWithError("short read");
    reader->Release();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

void BM_SceneLoad(benchmark::State& state) {
  const fs::path path = BigSceneFile();
  for (auto _ : state) {
    if (!LoadScene(path)) {
      state.SkipWithError("the scene did not load");
      break;
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fs::file_size(path)));
}

// Baseline: the file's bytes written through a file writer.
void BM_RawWrite(benchmark::State& state) {
  const fs::path path = BigSceneFile();
  std::vector<uint8_t> bytes(fs::file_size(path));
  FILE* in = std::fopen(path.c_str(), "rb");
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), in);
  std::fclose(in);
  const std::string out = (kDir / "raw-out.vmf").string();
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

void BM_SceneSave(benchmark::State& state) {
  ComPtr<IVeya2> scene = LoadScene(BigSceneFile());
  if (!scene) {
    state.SkipWithError("the scene did not load");
    return;
  }
  const std::string out = (kDir / "scene-out.vmf").string();
  for (auto _ : state) {
    if (FAILED(scene->Save(out.c_str()))) {
      state.SkipWithError("cannot save");
      break;
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fs::file_size(out)));
}

void BM_PosePerMotion(benchmark::State& state) {
  ComPtr<IVeya2> scene = LoadScene(MotionSceneFile());
  if (!scene || scene->GetMotionCount() != kMotions) {
    state.SkipWithError("the motion scene did not load");
    return;
  }
  INT time = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(scene->SetPlayTime(time, 0, 90, 0));
    time = (time + 1) % 200;
  }
  state.counters["motions"] = kMotions;
  state.counters["us_per_motion"] =
      benchmark::Counter(double(state.iterations()) * kMotions,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SceneLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SceneSave)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PosePerMotion)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// Keeps each benchmark's time per iteration for the summary.
class SummaryReporter : public TimesReporter {
 public:
  void Summary() const {
    auto ratio = [&](const std::string& baseline, const std::string& candidate, const char* label) {
      auto b = m_times.find(baseline), c = m_times.find(candidate);
      if (b == m_times.end() || c == m_times.end() || c->second <= 0) return;
      const double value = b->second / c->second;
      const double cpu = m_cpuTimes.at(baseline) / m_cpuTimes.at(candidate);
      std::printf("%-32s wall %.3f  cpu %.3f  (goal >= 0.5) %s\n", label, value, cpu,
                  value >= 0.5 ? "ok" : "BELOW GOAL");
    };
    const std::string suffix = "/min_time:2.000";
    std::printf("\nthroughput relative to the baseline of the same run:\n");
    ratio("BM_RawRead" + suffix, "BM_SceneLoad" + suffix, "scene load / raw read");
    ratio("BM_RawWrite" + suffix, "BM_SceneSave" + suffix, "scene save / raw write");
    auto pose = m_cpuTimes.find("BM_PosePerMotion/min_time:1.000");
    if (pose != m_cpuTimes.end()) {
      std::printf("SetPlayTime, %u motions: %.3f us per motion (goal <= 0.5)\n", kMotions,
                  pose->second / kMotions);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  return RunWithSummary<SummaryReporter>(argc, argv);
}
