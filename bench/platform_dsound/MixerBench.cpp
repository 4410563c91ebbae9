// Cost of mixing one 10 ms output block per playing buffer, against the
// least any mixer must do per buffer: turning a block of 16-bit stereo
// samples into floats and adding them to the output.
#include <dsound.h>
#include <platform_test_dsound.h>

#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBlockFrames = 480;

// Thread CPU time, so that other processes on a shared machine do not count.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Seconds per block of the baseline: convert and accumulate kBlockFrames.
double BaselineSeconds() {
  std::vector<int16_t> source(2 * kBlockFrames, 1234);
  std::vector<float> out(2 * kBlockFrames, 0.0f);
  constexpr int kRounds = 20000;
  double start = CpuSeconds();
  for (int round = 0; round < kRounds; ++round) {
    for (size_t i = 0; i < 2 * kBlockFrames; ++i) out[i] += source[i] * (1.0f / 32768.0f);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  return (CpuSeconds() - start) / kRounds;
}

void BM_MixBlock(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  const DWORD rate = static_cast<DWORD>(state.range(1));
  tavorin::test::DSoundSetManualMixing(true);
  IDirectSound8* sound = nullptr;
  if (FAILED(DirectSoundCreate8(nullptr, &sound, nullptr))) {
    state.SkipWithError("DirectSoundCreate8 failed");
    return;
  }
  sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.wBitsPerSample = 16;
  format.nSamplesPerSec = rate;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = rate * 4;
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
  desc.dwBufferBytes = 2 * format.nAvgBytesPerSec;
  desc.lpwfxFormat = &format;
  std::vector<IDirectSoundBuffer*> buffers;
  for (int i = 0; i < voices; ++i) {
    IDirectSoundBuffer* buffer = nullptr;
    sound->CreateSoundBuffer(&desc, &buffer, nullptr);
    buffer->SetVolume(-300);
    buffer->SetPan(500);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    buffers.push_back(buffer);
  }
  std::vector<float> out(2 * kBlockFrames);
  const double baseline = BaselineSeconds();
  double start = CpuSeconds();
  for (auto _ : state) {
    tavorin::test::DSoundMix(out.data(), kBlockFrames);
    benchmark::DoNotOptimize(out.data());
  }
  double perBlock = (CpuSeconds() - start) / static_cast<double>(state.iterations());
  state.counters["baseline_us"] = baseline * 1e6;
  state.counters["per_buffer_vs_baseline"] = perBlock / voices / baseline;
  // Share of one core that mixing these buffers in real time takes.
  state.counters["core_share_pct"] = perBlock / (double(kBlockFrames) / 48000.0) * 100.0;
  for (IDirectSoundBuffer* buffer : buffers) buffer->Release();
  sound->Release();
  tavorin::test::DSoundSetManualMixing(false);
}
BENCHMARK(BM_MixBlock)->Args({1, 48000})->Args({1, 44100})->Args({8, 44100})->Args({32, 22050});

}  // namespace

BENCHMARK_MAIN();
