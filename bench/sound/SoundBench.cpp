// Decoding throughput of the sound sources against the plainest way to get
// the same PCM, measured in the same run; prints the ratios at the end.
//   sound_bench [--benchmark_filter=...]   (sounds are made in /tmp once, with
//   sox and oggenc)
#include <SoundPlayer.h>
#include <comobject.h>
#include <dsound.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "sound/DirectSoundPlayerOgg3.h"
#include "sound/DirectSoundPlayerWave3.h"

namespace {

namespace fs = std::filesystem;
using tavorin::ComPtr;

constexpr DWORD kPiece = 64 << 10;
const fs::path kDir = fs::temp_directory_path() / "tavorin-sound-bench";

// 20 s of 44.1 kHz stereo noise, as a wave file and as Ogg Vorbis.
std::string Prepare(const char* name) {
  fs::create_directories(kDir);
  fs::path wav = kDir / "noise.wav";
  fs::path ogg = kDir / "noise.ogg";
  if (!fs::exists(ogg)) {
    std::string make = "sox -R -n -r 44100 -b 16 -c 2 '" + wav.string() +
                       "' synth 20 pinknoise vol 0.5 && oggenc -Q -q 4 -o '" + ogg.string() +
                       "' '" + wav.string() + "'";
    if (std::system(make.c_str()) != 0) return "";
  }
  return (kDir / name).string();
}

// The player's own PCM reading, reachable from here.
template <class Player>
class Exposed : public Player {
 public:
  using Player::ReadPcm;
  using Player::SeekMs;
};

template <class Player>
ComPtr<Exposed<Player>> OpenPlayer(const std::string& path, IDirectSound8* sound) {
  Exposed<Player>* player = nullptr;
  if (FAILED(tavorin::CreateComObject<Exposed<Player>>(&player, path.c_str(), nullptr, sound))) {
    return {};
  }
  return ComPtr<Exposed<Player>>(player);
}

IDirectSound8* Sound() {
  static IDirectSound8* sound = [] {
    IDirectSound8* made = nullptr;
    DirectSoundCreate8(nullptr, &made, nullptr);
    return made;
  }();
  return sound;
}

template <class Player>
void ReadPcmThrough(benchmark::State& state, const char* name) {
  auto player = OpenPlayer<Player>(Prepare(name), Sound());
  if (!player) return state.SkipWithError("cannot open the sound");
  std::vector<uint8_t> buffer(kPiece);
  uint64_t bytes = 0;
  for (auto _ : state) {
    player->SeekMs(0);
    DWORD written = 0;
    while (player->ReadPcm(buffer.data(), kPiece, FALSE, &written) == S_OK) bytes += kPiece;
    bytes += written;
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(bytes));
}

// Baseline: vorbisfile's own read loop over the same file.
void BM_OvReadLoop(benchmark::State& state) {
  std::string path = Prepare("noise.ogg");
  OggVorbis_File file;
  if (ov_fopen(path.c_str(), &file) != 0) return state.SkipWithError("cannot open the sound");
  std::vector<char> buffer(kPiece);
  uint64_t bytes = 0;
  for (auto _ : state) {
    ov_pcm_seek(&file, 0);
    int link = 0;
    for (DWORD done = 0;; done = 0) {
      while (done < kPiece) {
        long got = ov_read(&file, buffer.data() + done, int(kPiece - done), 0, 2, 1, &link);
        if (got <= 0) break;
        done += DWORD(got);
      }
      bytes += done;
      if (done < kPiece) break;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  ov_clear(&file);
  state.SetBytesProcessed(int64_t(bytes));
}

void BM_OggReadPcm(benchmark::State& state) {
  ReadPcmThrough<tavorin::sound::CDirectSoundPlayerOgg3>(state, "noise.ogg");
}

// Baseline: the wave file's bytes copied from memory.
void BM_WaveMemcpy(benchmark::State& state) {
  std::ifstream in(Prepare("noise.wav"), std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> buffer(kPiece);
  uint64_t bytes = 0;
  for (auto _ : state) {
    for (size_t at = 44; at < file.size(); at += kPiece) {
      size_t n = std::min<size_t>(kPiece, file.size() - at);
      std::memcpy(buffer.data(), file.data() + at, n);
      benchmark::DoNotOptimize(buffer.data());
      bytes += n;
    }
  }
  state.SetBytesProcessed(int64_t(bytes));
}

void BM_WaveReadPcm(benchmark::State& state) {
  ReadPcmThrough<tavorin::sound::CDirectSoundPlayerWave3>(state, "noise.wav");
}

BENCHMARK(BM_OvReadLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OggReadPcm)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WaveMemcpy)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WaveReadPcm)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's byte rate for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto rate = run.counters.find("bytes_per_second");
      if (rate != run.counters.end()) m_rates[run.benchmark_name()] = rate->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Summary() const {
    auto ratio = [&](const char* baseline, const char* candidate, const char* label, double goal) {
      auto b = m_rates.find(baseline), c = m_rates.find(candidate);
      if (b == m_rates.end() || c == m_rates.end() || b->second <= 0) return;
      double value = c->second / b->second;
      if (goal > 0) {
        std::printf("%-40s %.3f  (goal >= %.1f) %s\n", label, value, goal,
                    value >= goal ? "ok" : "BELOW GOAL");
      } else {
        std::printf("%-40s %.3f\n", label, value);
      }
    };
    std::printf("\nthroughput relative to the baseline of the same run:\n");
    ratio("BM_OvReadLoop/min_time:2.000", "BM_OggReadPcm/min_time:2.000",
          "Ogg ReadPcm / plain ov_read loop", 0.9);
    ratio("BM_WaveMemcpy/min_time:2.000", "BM_WaveReadPcm/min_time:2.000",
          "wave ReadPcm from a file / memcpy", 0.0);
  }

 private:
  std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
  // No sound card is needed: the buffers are never played.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  return 0;
}
