// Times a peer codec's command-line tool as a benchmark with manual time: the processor time
// the tool used (user and system, read from the finished children), comparable with the
// processor time of our in-process loops on a machine others are busy on; the wall time goes
// in a counter beside it.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

namespace quillon::bench {

inline double ChildProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs command (its output discarded) once per iteration; samples is what one run codes.
inline void TimePeerTool(benchmark::State& state, const std::string& command, double samples) {
  const std::string quiet = command + " > /dev/null 2>&1";
  double seconds = 0, wall = 0;
  for (auto _ : state) {
    const double before = ChildProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (std::system(quiet.c_str()) != 0) {
      state.SkipWithError((command + " failed or is not installed").c_str());
      return;
    }
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double elapsed = ChildProcessorSeconds() - before;
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  if (seconds > 0 && wall > 0) {
    const double total = samples * static_cast<double>(state.iterations()) / 1e6;
    state.counters["Msamples/s"] = total / seconds;
    state.counters["wall Msamples/s"] = total / wall;
  }
}

// The peer runs of a benchmark taking (grok, reversible): OpenJPEG and Grok, lossless and
// 9/7, three runs each timed by TimePeerTool.
inline void PeerRuns(benchmark::internal::Benchmark* runs) {
  runs->ArgNames({"grok", "reversible"})
      ->Args({0, 1})
      ->Args({0, 0})
      ->Args({1, 1})
      ->Args({1, 0})
      ->UseManualTime()
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace quillon::bench
