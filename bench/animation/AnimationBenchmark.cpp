// Curve evaluation against a plain std::upper_bound interpolation over the
// same keys, and posing a skeleton of 200 motions. Prints each curve shape's
// time as a ratio of the baseline measured in the same run.
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <comobject.h>

#include "IVeyaMotion.h"
#include "KeyTracks.h"

namespace {

constexpr int kKeyCount = 1000;
constexpr int kFrameCount = 4096;
constexpr int kMotionCount = 200;

CurveTrack MakeTrack(WORD shape, int count) {
  std::mt19937 random(7);
  CurveTrack track;
  track.keyCount = WORD(count);
  track.keys.reset(new CurveKey[count]);
  INT frame = 0;
  for (int i = 0; i < count; ++i) {
    frame += 1 + INT(random() % 8);
    CurveKey& key = track.keys[i];
    key =
        CurveKey{float(random() % 1000) / 10.0f, frame, shape, {0.1f, -0.2f, 0.3f, 1.0f, -1.0f, 0}};
    if (shape == kCurveShapeBezier2D) key.p[2] = 0.5f;
  }
  return track;
}

std::vector<INT> RandomFrames(const CurveTrack& track) {
  std::mt19937 random(11);
  std::uniform_int_distribution<INT> pick(track.keys[0].frame,
                                          track.keys[track.keyCount - 1].frame - 1);
  std::vector<INT> frames(kFrameCount);
  for (INT& frame : frames) frame = pick(random);
  return frames;
}

void BM_Baseline(benchmark::State& state) {
  const CurveTrack track = MakeTrack(kCurveShapeLinear, kKeyCount);
  std::vector<INT> keyFrames(kKeyCount);
  std::vector<float> values(kKeyCount);
  for (int i = 0; i < kKeyCount; ++i) {
    keyFrames[i] = track.keys[i].frame;
    values[i] = track.keys[i].value;
  }
  const std::vector<INT> frames = RandomFrames(track);
  size_t next = 0;
  for (auto _ : state) {
    const INT t = frames[next++ % frames.size()];
    const size_t i =
        size_t(std::upper_bound(keyFrames.begin(), keyFrames.end(), t) - keyFrames.begin()) - 1;
    const float u = float(t - keyFrames[i]) / float(keyFrames[i + 1] - keyFrames[i]);
    benchmark::DoNotOptimize(values[i] + u * (values[i + 1] - values[i]));
  }
}
BENCHMARK(BM_Baseline);

void BM_EvaluateCurve(benchmark::State& state) {
  const CurveTrack track = MakeTrack(WORD(state.range(0)), kKeyCount);
  const std::vector<INT> frames = RandomFrames(track);
  size_t next = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(EvaluateCurve(track, frames[next++ % frames.size()]));
}
BENCHMARK(BM_EvaluateCurve)
    ->Arg(kCurveShapeLinear)
    ->Arg(kCurveShapeTcb)
    ->Arg(kCurveShapeHermite)
    ->Arg(kCurveShapeBezier2D);

void BM_PoseMotions(benchmark::State& state) {
  std::vector<tavorin::ComPtr<IVeyaMotion>> motions;
  for (WORD i = 0; i < kMotionCount; ++i) {
    IVeyaMotion* motion = nullptr;
    if (FAILED(CreateMotion(&motion, i, nullptr, 0, nullptr))) {
      state.SkipWithError("CreateMotion failed");
      return;
    }
    motions.emplace_back(motion);
    CurveTrack* channels[] = {motion->GetTrackTranslationX(), motion->GetTrackTranslationY(),
                              motion->GetTrackTranslationZ(), motion->GetTrackRotationX(),
                              motion->GetTrackRotationY(),    motion->GetTrackRotationZ(),
                              motion->GetTrackScaleX(),       motion->GetTrackScaleY(),
                              motion->GetTrackScaleZ()};
    for (CurveTrack* channel : channels) *channel = MakeTrack(kCurveShapeTcb, 60);
    if (i > 0) motion->SetParent(motions[(i - 1) / 2].Get());
  }
  INT frame = 0;
  for (auto _ : state) {
    for (auto& motion : motions) motion->Evaluate(frame);
    for (auto& motion : motions) motion->UpdateWorld();
    frame = (frame + 1) % 400;
  }
  // Seconds per (iterations × 10^-6): microseconds per pose.
  state.counters["us_per_pose"] = benchmark::Counter(
      double(state.iterations()) * 1e-6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PoseMotions)->Unit(benchmark::kMicrosecond);

// Keeps each run's CPU time per iteration (steadier than wall time on a
// shared machine) so the summary can relate the curve
// shapes to the baseline of the same run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.iterations > 0) m_perIteration[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    const auto baseline = m_perIteration.find("BM_Baseline");
    if (baseline == m_perIteration.end() || baseline->second <= 0) return;
    std::printf("\nEvaluateCurve time / std::upper_bound linear baseline (%d keys):\n", kKeyCount);
    for (const auto& [name, time] : m_perIteration) {
      if (name.rfind("BM_EvaluateCurve/", 0) != 0) continue;
      const int shape = std::stoi(name.substr(17));
      const char* label = shape == kCurveShapeLinear    ? "linear"
                          : shape == kCurveShapeTcb     ? "TCB"
                          : shape == kCurveShapeHermite ? "Hermite"
                                                        : "2-D Bezier";
      std::printf("  %-10s %.2f\n", label, time / baseline->second);
    }
  }

 private:
  std::map<std::string, double> m_perIteration;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
