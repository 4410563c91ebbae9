// A console reporter that also keeps every run's wall and CPU time, so a
// benchmark program can print its ratios against a baseline of the same run
// once everything has run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

class TimesReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
      m_cpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

 protected:
  std::map<std::string, double> m_times;
  // CPU time as well: the machine is shared, and wall time then includes
  // other people's work.
  std::map<std::string, double> m_cpuTimes;
};

// Runs every benchmark headless with a `Reporter`, then prints its Summary().
template <class Reporter>
int RunWithSummary(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  benchmark::Initialize(&argc, argv);
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Summary();
  benchmark::Shutdown();
  return 0;
}
