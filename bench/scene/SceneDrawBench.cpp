// DrawAll of a scene of 16 layers × 6 meshes through a shading service that
// does nothing, against the bare device calls the same meshes need (bind the
// buffers, draw), measured in the same run; prints µs per mesh and the ratio.
// The device has neither declaration nor shader, so it refuses each draw
// after validating it: what is measured is the scene's own work per mesh.
//   SceneDrawBench [--benchmark_filter=...]
#include <IFileWriter.h>
#include <IVeya2.h>
#include <IVeyaLayer.h>
#include <IVeyaMotion.h>
#include <IVeyaShader.h>
#include <IVeyaSurface.h>
#include <comobject.h>
#include <d3d9.h>

#include <benchmark/benchmark.h>

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

constexpr WORD kLayers = 16;
constexpr WORD kMeshesPerLayer = 6;
constexpr WORD kMotions = 32;
constexpr WORD kVertices = 300;
constexpr WORD kPolygons = 100;
constexpr int kMeshes = kLayers * kMeshesPerLayer;

const fs::path kDir = fs::temp_directory_path() / "tavorin-scene-draw-bench";

class NullShader : public tavorin::ComObject<IVeyaShader> {
 public:
  HRESULT STDMETHODCALLTYPE Begin(DWORD, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE BeginEdge(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE End() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMaterial(const SurfaceRenderParameters*, DWORD) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMatrix(SHORT, const D3DXMATRIX*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMorphWeights(const FLOAT*, const FLOAT*, const FLOAT*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetEdge(FLOAT, const SurfaceEdgeParameters*) override { return S_OK; }
};

IDirect3DDevice9* Device() {
  static tavorin::test::HeadlessDevice device(16, 16);
  return device.Get();
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Chunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& payload) {
  out.insert(out.end(), tag, tag + 4);
  Put32(out, uint32_t(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
}
std::vector<uint8_t> CountPayload(WORD count) {
  return {uint8_t(count), uint8_t(count >> 8)};
}

template <class Component>
std::vector<uint8_t> Serialized(Component* component) {
  const std::string path = (kDir / "component.bin").string();
  IFileWriter* writer = nullptr;
  DWORD size = 0;
  if (FAILED(CreateFileWriter(&writer, path.c_str()))) return {};
  component->Serialize(writer, &size);
  writer->Release();
  std::vector<uint8_t> bytes(fs::file_size(path));
  FILE* in = std::fopen(path.c_str(), "rb");
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), in);
  std::fclose(in);
  bytes.resize(got);
  return bytes;
}

std::vector<uint8_t> LayerBytes(WORD number) {
  IVeyaLayer* raw = nullptr;
  CreateLayer(&raw, number, nullptr, nullptr, 0, nullptr);
  ComPtr<IVeyaLayer> layer(raw);
  layer->SetShow(1);
  layer->SetMainMotionIndex(SHORT(number % kMotions));
  layer->SetMainRegister(0);
  layer->SetMotionLinkCount(4);
  for (WORD i = 0; i < 4; ++i)
    layer->SetMotionLink(i, {SHORT((number + i) % kMotions), SHORT(i + 1)});
  layer->SetMeshCount(kMeshesPerLayer);
  for (WORD m = 0; m < kMeshesPerLayer; ++m) {
    LayerMesh* mesh = layer->GetMesh(m);
    mesh->vertexCount = kVertices;
    mesh->polygonCount = kPolygons;
    mesh->surfaceIndex = m % 2;
    Device()->CreateVertexBuffer(kVertices * kLayerVertexSize, D3DUSAGE_WRITEONLY, 0,
                                 D3DPOOL_MANAGED, &mesh->vertexBuffer, nullptr);
    Device()->CreateIndexBuffer(kPolygons * 6, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                &mesh->indexBuffer, nullptr);
    void* data = nullptr;
    mesh->indexBuffer->Lock(0, 0, &data, 0);
    auto* indices = static_cast<WORD*>(data);
    for (UINT i = 0; i < kPolygons * 3u; ++i) indices[i] = WORD(i % kVertices);
    mesh->indexBuffer->Unlock();
  }
  return Serialized(layer.Get());
}

fs::path SceneFile() {
  static const fs::path path = [] {
    fs::create_directories(kDir);
    std::vector<uint8_t> chunks;
    Chunk(chunks, "MOTN", CountPayload(kMotions));
    for (WORD i = 0; i < kMotions; ++i) {
      IVeyaMotion* motion = nullptr;
      CreateMotion(&motion, i, nullptr, 0, nullptr);
      Chunk(chunks, "MOTI", Serialized(motion));
      motion->Release();
    }
    Chunk(chunks, "SRFN", CountPayload(2));
    for (WORD i = 0; i < 2; ++i) {
      IVeyaSurface* surface = nullptr;
      CreateSurface(&surface, nullptr, Device(), i, 0, nullptr);
      surface->SetEdgeSize(i == 0 ? 0.5f : 0.0f);
      Chunk(chunks, "SURF", Serialized(surface));
      surface->Release();
    }
    Chunk(chunks, "LYRN", CountPayload(kLayers));
    for (WORD i = 0; i < kLayers; ++i) Chunk(chunks, "LYER", LayerBytes(i));
    std::vector<uint8_t> file = {'V', 'M', 'F', '4'};
    Put32(file, uint32_t(chunks.size()));
    file.insert(file.end(), chunks.begin(), chunks.end());
    const fs::path out = kDir / "scene.vmf";
    FILE* f = std::fopen(out.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    return out;
  }();
  return path;
}

struct LoadedScene {
  ComPtr<NullShader> shader{new NullShader};
  ComPtr<IVeya2> scene;
  LoadedScene() {
    IVeya2* raw = nullptr;
    if (SUCCEEDED(CreateVeya2(&raw, SceneFile().c_str(), Device(), shader.Get(), nullptr))) {
      scene = ComPtr<IVeya2>(raw);
      scene->SetPlayTime(0, 0, 0, 0);
    }
  }
};

// Baseline: per mesh the buffers bound and one draw issued, nothing else.
void BM_BareMeshDraws(benchmark::State& state) {
  LoadedScene loaded;
  if (!loaded.scene) return state.SkipWithError("the scene did not load");
  std::vector<LayerMesh> meshes;
  for (WORD l = 0; l < kLayers; ++l) {
    ComPtr<IVeyaLayer> layer(loaded.scene->GetLayer(l));
    for (WORD m = 0; m < layer->GetMeshCount(); ++m) meshes.push_back(*layer->GetMesh(m));
  }
  IDirect3DDevice9* device = Device();
  device->BeginScene();
  for (auto _ : state) {
    for (const LayerMesh& mesh : meshes) {
      device->SetStreamSource(0, mesh.vertexBuffer, 0, kLayerVertexSize);
      device->SetIndices(mesh.indexBuffer);
      device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, mesh.vertexCount, 0,
                                   mesh.polygonCount);
    }
  }
  device->EndScene();
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(meshes.size()));
}

void BM_DrawAll(benchmark::State& state) {
  LoadedScene loaded;
  if (!loaded.scene) return state.SkipWithError("the scene did not load");
  const DWORD edge = DWORD(state.range(0));
  Device()->BeginScene();
  for (auto _ : state) {
    if (FAILED(loaded.scene->DrawAll(0, edge))) {
      state.SkipWithError("DrawAll failed");
      break;
    }
  }
  Device()->EndScene();
  state.SetItemsProcessed(int64_t(state.iterations()) * kMeshes);
}

BENCHMARK(BM_BareMeshDraws)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_DrawAll)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// Keeps each benchmark's time per iteration for the summary.
class SummaryReporter : public TimesReporter {
 public:
  void Summary() const {
    const std::string suffix = "/min_time:1.000";
    const std::string bare = "BM_BareMeshDraws" + suffix;
    if (m_cpuTimes.count(bare) == 0) return;
    std::printf("\nCPU µs per mesh (%d meshes) and bare / DrawAll:\n", kMeshes);
    std::printf("  %-22s %.3f\n", "bare binds and draws", m_cpuTimes.at(bare) / kMeshes);
    for (const char* name : {"BM_DrawAll/0", "BM_DrawAll/1"}) {
      const std::string run = name + suffix;
      if (m_cpuTimes.count(run) == 0 || m_cpuTimes.at(run) <= 0) continue;
      std::printf("  %-22s %.3f  ratio cpu %.3f  wall %.3f\n", name, m_cpuTimes.at(run) / kMeshes,
                  m_cpuTimes.at(bare) / m_cpuTimes.at(run), m_times.at(bare) / m_times.at(run));
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  return RunWithSummary<SummaryReporter>(argc, argv);
}
