// The texture renderer's copy of one 800 × 600 RGB32 frame into the movie
// texture (lock, flipped row copy, unlock, commit), against a memcpy of the
// same frame measured in the same run; prints the ratio of CPU time.
//   movie_bench [--benchmark_filter=...]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <ITRFilter.h>
#include <comobject.h>
#include <d3d9.h>
#include <streams.h>

#include "movie/TextureRenderer.h"

namespace {

using tavorin::ComPtr;

constexpr LONG kWidth = 800;
constexpr LONG kHeight = 600;
constexpr LONG kFrameBytes = kWidth * kHeight * 4;

// A device on a hidden dummy-driver window, a renderer connected for
// 800 × 600 RGB32 and one full sample, made once.
struct Rig {
  Rig() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "MovieBench";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "MovieBench", "bench", 0, 0, 0, 64, 64, nullptr, nullptr,
                                  nullptr, nullptr);
    ComPtr<IDirect3D9> direct3D(Direct3DCreate9(D3D_SDK_VERSION));
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 64;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = TRUE;
    if (!direct3D || FAILED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                                   D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                                   device.ReleaseAndGetAddressOf())))
      std::abort();
    if (FAILED(CreateTextureRenderer(renderer.ReleaseAndGetAddressOf(), device.Get(), nullptr)))
      std::abort();
    Connect();
    MakeSample();
  }

  void Connect() {
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB32);
    type.SetFormatType(&FORMAT_VideoInfo);
    VIDEOINFOHEADER info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biBitCount = 32;
    type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof info);
    if (FAILED(Filter()->SetMediaType(&type))) std::abort();
  }

  void MakeSample() {
    HRESULT hr = S_OK;
    auto* made = new CMemAllocator(NAME("bench"), nullptr, &hr);
    made->NonDelegatingQueryInterface(IID_IMemAllocator,
                                      reinterpret_cast<void**>(allocator.ReleaseAndGetAddressOf()));
    ALLOCATOR_PROPERTIES wanted{1, kFrameBytes, 16, 0}, actual{};
    allocator->SetProperties(&wanted, &actual);
    allocator->Commit();
    allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    for (LONG i = 0; i < kFrameBytes; ++i) data[i] = BYTE(i * 7);
    sample->SetActualDataLength(kFrameBytes);
  }

  tavorin::movie::CTRFilter* Filter() {
    return static_cast<tavorin::movie::CTRFilter*>(renderer.Get());
  }

  ComPtr<IDirect3DDevice9> device;
  ComPtr<ITRFilter> renderer;
  ComPtr<IMemAllocator> allocator;
  ComPtr<IMediaSample> sample;
};

Rig& TheRig() {
  static Rig* rig = new Rig;
  return *rig;
}

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<unsigned char> source(kFrameBytes, 1), destination(kFrameBytes);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kFrameBytes);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

void BM_RenderSample(benchmark::State& state) {
  Rig& rig = TheRig();
  for (auto _ : state) {
    if (FAILED(rig.Filter()->DoRenderSample(rig.sample.Get()))) std::abort();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RenderSample)->Unit(benchmark::kMicrosecond);

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
      if (name.find("RenderSample") != std::string::npos) m_render = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (m_memcpy > 0 && m_render > 0)
      std::printf("frame into texture / memcpy: %.2f (target <= 2)\n", m_render / m_memcpy);
  }

 private:
  double m_memcpy = 0, m_render = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
