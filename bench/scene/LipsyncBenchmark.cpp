// The lip-sync's GetState reading a 44.1 kHz 16-bit stereo player, against a
// baseline written here that does the least the same measurement needs: the
// same player's DecodeTo of the same window and a plain peak scan. Prints
// the ratio of the two and the microseconds per GetState.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <comobject.h>

#include "IVeyaLipsync.h"

namespace {

constexpr DWORD kRate = 44100;
constexpr DWORD kChannels = 2;
// The lip-sync's window for this format: channels × rate × 10 ms / 2 bytes.
constexpr DWORD kWindow = 441;

// Decodes a second of a 440 Hz tone, one window further on each call, as a
// playing stream would move under the drawing thread.
class LoopPlayer : public tavorin::ComObject<IDirectSoundPlayer3> {
 public:
  HRESULT Init() {
    m_pcm.resize(kRate * kChannels * 2);
    for (DWORD i = 0; i < kRate; ++i) {
      const SHORT value = SHORT(20000 * std::sin(2 * 3.14159265 * 440 * i / kRate));
      for (DWORD c = 0; c < kChannels; ++c) {
        std::memcpy(&m_pcm[(i * kChannels + c) * 2], &value, 2);
      }
    }
    return S_OK;
  }
  HRESULT GetFormat(WAVEFORMATEX* out) override {
    *out = {
        WAVE_FORMAT_PCM, WORD(kChannels), kRate, kRate * kChannels * 2, WORD(kChannels * 2), 16, 0};
    return S_OK;
  }
  HRESULT DecodeTo(void* buffer, DWORD length, DWORD* written) override {
    if (m_position + length > m_pcm.size()) m_position = 0;
    std::memcpy(buffer, &m_pcm[m_position], length);
    m_position += length;
    *written = length;
    return S_OK;
  }
  INT GetState() override { return kSoundPlaying; }
  HRESULT Play(INT, INT) override { return S_OK; }
  HRESULT Pause() override { return S_OK; }
  HRESULT Stop(FLOAT) override { return S_OK; }
  HRESULT SetPosition(INT) override { return S_OK; }
  HRESULT SetMasterVolume(INT) override { return S_OK; }
  HRESULT SetVolume(INT, FLOAT) override { return S_OK; }
  HRESULT SetPan(INT, FLOAT) override { return S_OK; }
  HRESULT SetFrequency(INT, FLOAT) override { return S_OK; }
  INT GetLength() override { return 1000; }
  INT GetPosition() override { return 0; }
  INT GetLoopCount() override { return 0; }
  INT GetLoopsDone() override { return 0; }
  INT GetMasterVolume() override { return 0; }
  INT GetVolume() override { return 0; }
  INT GetPan() override { return 0; }
  INT GetFrequency() override { return 1000; }
  HRESULT WaitForStreamEnd() override { return S_OK; }

 private:
  std::vector<BYTE> m_pcm;
  size_t m_position = 0;
};

tavorin::ComPtr<LoopPlayer> NewPlayer() {
  LoopPlayer* player = nullptr;
  tavorin::CreateComObject<LoopPlayer>(&player);
  return tavorin::ComPtr<LoopPlayer>(player);
}

void BM_DecodeAndPeakBaseline(benchmark::State& state) {
  tavorin::ComPtr<LoopPlayer> player = NewPlayer();
  BYTE window[kWindow];
  for (auto _ : state) {
    DWORD written = 0;
    player->DecodeTo(window, kWindow, &written);
    int peak = 0;
    for (DWORD i = 0; i + 1 < written; i += 2) {
      SHORT value;
      std::memcpy(&value, &window[i], 2);
      peak = std::max(peak, std::abs(int(value)));
    }
    benchmark::DoNotOptimize(peak);
  }
}
BENCHMARK(BM_DecodeAndPeakBaseline);

void BM_LipsyncGetState(benchmark::State& state) {
  tavorin::ComPtr<LoopPlayer> player = NewPlayer();
  IVeyaLipsync* raw = nullptr;
  if (FAILED(CreateLipsync(&raw, nullptr, 0, nullptr))) {
    state.SkipWithError("CreateLipsync failed");
    return;
  }
  tavorin::ComPtr<IVeyaLipsync> lipsync(raw);
  lipsync->SetMode(kMorphModeFixed);
  if (FAILED(lipsync->SetSoundPlayer(player.Get()))) {
    state.SkipWithError("SetSoundPlayer failed");
    return;
  }
  MorphState morph = {};
  for (auto _ : state) {
    lipsync->GetState(&morph);
    benchmark::DoNotOptimize(morph.weight[0]);
  }
}
BENCHMARK(BM_LipsyncGetState);

// Keeps each run's CPU time per iteration so the summary can relate the
// lip-sync to the baseline of the same run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.iterations > 0) m_nanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintSummary() const {
    const auto baseline = m_nanoseconds.find("BM_DecodeAndPeakBaseline");
    const auto lipsync = m_nanoseconds.find("BM_LipsyncGetState");
    if (baseline == m_nanoseconds.end() || lipsync == m_nanoseconds.end()) return;
    std::printf("\nGetState / DecodeTo + peak baseline (441-byte window): %.2f\n",
                lipsync->second / baseline->second);
    std::printf("GetState: %.3f us per call (target under 2)\n", lipsync->second / 1000.0);
  }

 private:
  std::map<std::string, double> m_nanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
