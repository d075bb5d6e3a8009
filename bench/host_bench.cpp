#include <benchmark/benchmark.h>

#include <cstdint>

#include "host/headless/headless_host.h"
#include "platform/timing.h"
#include "runtime/threads.h"

namespace {

// The shape of a game run: the main loop waits 1 ms per pass, a second thread paces
// itself with 16 ms sleeps. Reports virtual seconds per real second.
int32_t PaceAtSixteen(int32_t runMs) {
  for (int32_t t = 0; t < runMs; t += 16) DelayMs(16);
  return 0;
}

void BM_HeadlessVirtualMinute(benchmark::State& state) {
  constexpr int32_t kRunMs = 60'000;
  for (auto _ : state) {
    RunHeadless({}, [] {
      ThreadCreate(PaceAtSixteen, kRunMs);
      for (int32_t t = 0; t < kRunMs + 16; ++t) DelayMs(1);
    });
  }
  state.counters["virtual_s_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kRunMs / 1000.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HeadlessVirtualMinute)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
