// Decoding a movie to RGB32 through the engine, against the least any player
// must do: a plain FFmpeg demux + decode + swscale loop over the same file,
// writing rows top-down, and the same loop writing them bottom-up as the
// engine must. All run in every iteration, so load on a shared machine hits
// them alike.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dshow/media/MediaFile.h"
#include "platform/dshow/media/VideoDecoder.h"
#include "platform_dshow_media/PlainDecode.h"

namespace media = tavorin::dshow::media;

namespace {

// Thread CPU time, so that other processes on a shared machine do not count.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// An 800 x 600, 30 fps MPEG-4 AVI of moving test pictures, made once.
const std::string& MoviePath() {
  static const std::string path = [] {
    std::string dir = (std::filesystem::temp_directory_path() /
                       ("tavorin-media-bench-" + std::to_string(getpid())))
                          .string();
    std::filesystem::create_directories(dir);
    std::string file = dir + "/movie.avi";
    std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=800x600:r=30:d=2 "
        "-c:v mpeg4 -q:v 4 '" +
        file + "'";
    if (std::system(command.c_str()) != 0) std::abort();
    std::atexit(
        [] { std::filesystem::remove_all(std::filesystem::path(MoviePath()).parent_path()); });
    return file;
  }();
  return path;
}

int EngineDecode(const std::string& path, std::vector<uint8_t>& buffer) {
  media::ByteSource source;
  if (!media::FileByteSource(path, &source)) std::abort();
  auto file = media::CMediaFile::Open(source, nullptr);
  if (!file) std::abort();
  auto video = file->CreateVideoDecoder(nullptr);
  buffer.resize(video->FrameBytes());
  int frames = 0;
  media::MediaTime start, stop;
  auto receive = [&] {
    while (video->Receive(&start, &stop) == media::DecodeStatus::Output)
      frames += video->CopyFrame(buffer.data(), buffer.size());
  };
  media::CMediaPacket packet;
  while (file->ReadPacket(packet) == media::PacketStream::Video) {
    video->Send(packet);
    receive();
  }
  video->SendEnd();
  receive();
  return frames;
}

void BM_DecodeToRgb32(benchmark::State& state) {
  const std::string& path = MoviePath();
  std::vector<uint8_t> buffer;
  double plain = 0, plainBottomUp = 0, engine = 0;
  int plainFrames = 0, plainBottomUpFrames = 0, engineFrames = 0;
  int first = 0;
  for (auto _ : state) {
    // Rotating the order keeps any loop from always finding the caches warm
    // from another.
    for (int turn = 0; turn < 3; ++turn) {
      double start = CpuSeconds();
      switch ((first + turn) % 3) {
        case 0:
          engineFrames += EngineDecode(path, buffer);
          engine += CpuSeconds() - start;
          break;
        case 1:
          plainFrames += PlainDecode(path, buffer, false);
          plain += CpuSeconds() - start;
          break;
        default:
          plainBottomUpFrames += PlainDecode(path, buffer, true);
          plainBottomUp += CpuSeconds() - start;
          break;
      }
    }
    first = (first + 1) % 3;
    benchmark::DoNotOptimize(buffer.data());
  }
  if (plainFrames != engineFrames || plainBottomUpFrames != engineFrames || plainFrames == 0) {
    state.SkipWithError("the engine and the plain loop decoded different frame counts");
    return;
  }
  state.counters["plain_ms_per_frame"] = plain / plainFrames * 1e3;
  state.counters["engine_ms_per_frame"] = engine / engineFrames * 1e3;
  state.counters["engine_vs_plain"] = engine / plain;
  state.counters["engine_vs_plain_bottom_up"] = engine / plainBottomUp;
}
BENCHMARK(BM_DecodeToRgb32)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
