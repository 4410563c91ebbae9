// Decoding a movie to RGB32 through a filter graph run without a clock,
// against a plain FFmpeg demux + decode + swscale loop over the same file.
// Both run in every iteration, so load on a shared machine hits them alike.
//
// `platform_dshow_bench --play [FILE]` instead plays a movie (by default a
// 10 s one like the benchmark's) once in real time through the graph, for
// measuring the CPU a playing movie takes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform_dshow/MovieGraph.h"
#include "platform_dshow_media/PlainDecode.h"

namespace {

using tavorin::ComPtr;
using tavorin::test::MovieGraph;

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// An 800 x 600, 30 fps MPEG-4 AVI of moving test pictures, made once.
const std::string& MoviePath(int seconds) {
  static const std::string path = [seconds] {
    std::string dir = (std::filesystem::temp_directory_path() /
                       ("tavorin-graph-bench-" + std::to_string(getpid())))
                          .string();
    std::filesystem::create_directories(dir);
    std::string file = dir + "/movie.avi";
    std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=800x600:r=30:d=" +
        std::to_string(seconds) + " -c:v mpeg4 -q:v 4 '" + file + "'";
    if (std::system(command.c_str()) != 0) std::abort();
    std::atexit(
        [] { std::filesystem::remove_all(std::filesystem::path(MoviePath(0)).parent_path()); });
    return file;
  }();
  return path;
}

// Builds the graph, runs it without a clock to the end; the frames drawn.
int GraphDecode(const std::vector<uint8_t>& bytes) {
  MovieGraph movie(bytes);
  if (FAILED(movie.videoResult)) std::abort();
  ComPtr<IMediaFilter> filter;
  movie.graph.As(&filter);
  filter->SetSyncSource(nullptr);
  movie.control->Run();
  if (movie.WaitForEnd(-1) != EC_COMPLETE) std::abort();
  movie.control->Stop();
  // The first frame is drawn twice: cued while paused, then when running.
  return static_cast<int>(movie.renderer->SampleCount()) - 1;
}

void BM_GraphDecodeToRgb32(benchmark::State& state) {
  const std::string& path = MoviePath(2);
  std::vector<uint8_t> bytes = tavorin::test::ReadFileBytes(path);
  std::vector<uint8_t> buffer;
  double plainWall = 0, graphWall = 0, plainCpu = 0, graphCpu = 0;
  int plainFrames = 0, graphFrames = 0;
  for (auto _ : state) {
    double wall0 = WallSeconds(), cpu0 = ProcessCpuSeconds();
    plainFrames += PlainDecode(path, buffer);
    double wall1 = WallSeconds(), cpu1 = ProcessCpuSeconds();
    graphFrames += GraphDecode(bytes);
    double wall2 = WallSeconds(), cpu2 = ProcessCpuSeconds();
    plainWall += wall1 - wall0;
    graphWall += wall2 - wall1;
    plainCpu += cpu1 - cpu0;
    graphCpu += cpu2 - cpu1;
    benchmark::DoNotOptimize(buffer.data());
  }
  if (plainFrames != graphFrames || plainFrames == 0) {
    state.SkipWithError("the graph and the plain loop decoded different frame counts");
    return;
  }
  state.counters["plain_ms_per_frame"] = plainWall / plainFrames * 1e3;
  state.counters["graph_ms_per_frame"] = graphWall / graphFrames * 1e3;
  state.counters["graph_vs_plain_wall"] = graphWall / plainWall;
  state.counters["graph_vs_plain_cpu"] = graphCpu / plainCpu;
}
BENCHMARK(BM_GraphDecodeToRgb32)->Unit(benchmark::kMillisecond)->MinTime(3.0);

int PlayInRealTime(const char* file) {
  MovieGraph movie(tavorin::test::ReadFileBytes(file != nullptr ? file : MoviePath(10)));
  if (FAILED(movie.videoResult)) return 1;
  movie.control->Run();
  return movie.WaitForEnd(60000) == EC_COMPLETE ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (argc > 1 && std::strcmp(argv[1], "--play") == 0) {
    return PlayInRealTime(argc > 2 ? argv[2] : nullptr);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
