// The CPU device's cost for the tester's drawing, against a memcpy of one
// 800 × 600 × 4-byte frame measured in the same run; prints the ratios of
// CPU time.
//   graphics_bench [--benchmark_filter=...]
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <comobject.h>

#include "app/TesterApp.h"

namespace {

using tavorin::ComPtr;

constexpr size_t kFrameBytes = 800 * 600 * 4;

// The tester's services on a headless window, made once.
struct Scene {
  Scene() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("TAVORIN_NO_MESSAGE_BOXES", "1", 0);
    if (FAILED(StartUpServices(&app, GetModuleHandleA(nullptr)))) std::abort();
    device = ComPtr<IDirect3DDevice9>(app.directX->GetDevice());
    // The movie picture is opaque X8R8G8B8; the chip has transparent edges.
    movie = MakeTexture(1024, 1024, D3DFMT_X8R8G8B8);
    chip = MakeTexture(256, 256, D3DFMT_A8R8G8B8);
  }
  ComPtr<IDirect3DTexture9> MakeTexture(UINT width, UINT height, D3DFORMAT format) {
    ComPtr<IDirect3DTexture9> texture;
    device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED,
                          texture.ReleaseAndGetAddressOf(), nullptr);
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
      for (UINT x = 0; x < width; ++x) {
        BYTE alpha = (x < 4 || y < 4 || x >= 238 || y >= 17) ? 0 : 0xFF;
        row[x] = D3DCOLOR_ARGB(alpha, x, y, x ^ y);
      }
    }
    texture->UnlockRect(0);
    return texture;
  }

  TesterApp app;
  ComPtr<IDirect3DDevice9> device;
  ComPtr<IDirect3DTexture9> movie, chip;
};

Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<char> from(kFrameBytes, 1), to(kFrameBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kFrameBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

void BM_FullScreenQuad(benchmark::State& state) {
  Scene& scene = TheScene();
  RECT source = {0, 0, 800, 600};
  scene.device->BeginScene();
  for (auto _ : state) DrawTexturedRect(&source, scene.movie.Get(), scene.device.Get(), 0, 0);
  scene.device->EndScene();
}
BENCHMARK(BM_FullScreenQuad)->Unit(benchmark::kMicrosecond);

void BM_TesterFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  IDirect3DDevice9* device = scene.device.Get();
  RECT movie = {0, 0, 800, 600}, chip = {0, 0, 242, 21};
  for (auto _ : state) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00303080, 1.0f, 0);
    device->BeginScene();
    DrawTexturedRect(&movie, scene.movie.Get(), device, 0, 0);
    DrawTexturedRect(&chip, scene.chip.Get(), device, 530, 570);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
}
BENCHMARK(BM_TesterFrame)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // Single runs, or the mean of repetitions; CPU time, since the
      // machine may be shared.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean") continue;
      std::string name = run.benchmark_name();
      double seconds = run.GetAdjustedCPUTime();
      if (name.find("Memcpy") != std::string::npos) m_memcpy = seconds;
      if (name.find("FullScreenQuad") != std::string::npos) m_quad = seconds;
      if (name.find("TesterFrame") != std::string::npos) m_frame = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (m_memcpy <= 0) return;
    if (m_quad > 0)
      std::printf("full-screen quad / memcpy: %.2f (target <= 3)\n", m_quad / m_memcpy);
    if (m_frame > 0)
      std::printf("tester frame / memcpy:     %.2f (target <= 6)\n", m_frame / m_memcpy);
  }

 private:
  double m_memcpy = 0, m_quad = 0, m_frame = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
