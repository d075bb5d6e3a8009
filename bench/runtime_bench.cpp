#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/timing.h"
#include "runtime/number_text.h"
#include "runtime/random.h"

namespace {

void BM_RandomNext(benchmark::State& state) {
  RandomSeed(1);
  for (auto _ : state) benchmark::DoNotOptimize(RandomNext(149));
}
BENCHMARK(BM_RandomNext);

// The cue player builds a file name for every cue it plays.
void BM_CueFileName(benchmark::State& state) {
  int32_t n = 0;
  for (auto _ : state) {
    std::string name = "Assets/" + std::string("terrain/grass") + IntToString(n++ % 6 + 1) + ".wav";
    benchmark::DoNotOptimize(name);
  }
}
BENCHMARK(BM_CueFileName);

// How long DelayMs(16) really takes: the main loop's pacing rests on it. The
// oversleep counter should stay within a few milliseconds.
void BM_DelayMs16(benchmark::State& state) {
  double worstOversleepMs = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    DelayMs(16);
    std::chrono::duration<double, std::milli> slept = std::chrono::steady_clock::now() - start;
    worstOversleepMs = std::max(worstOversleepMs, slept.count() - 16.0);
  }
  state.counters["worst_oversleep_ms"] = worstOversleepMs;
}
BENCHMARK(BM_DelayMs16)->Iterations(60)->Unit(benchmark::kMillisecond);

}  // namespace
