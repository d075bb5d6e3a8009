#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "host/headless/headless_host.h"
#include "host/headless/recorded_window.h"
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

// A long script, polled for window events once a virtual ms for 20 s, as the game's
// main loop does: the cost should follow the script's length, not its square (each
// poll once scanned every event still to come).
void BM_HeadlessLongScriptWindowPolls(benchmark::State& state) {
  const auto events = static_cast<int64_t>(state.range(0));
  std::string script;
  for (int64_t i = 0; i < events; ++i) script += std::to_string(i * 2) + " mouse move 1 0\n";
  for (auto _ : state) {
    HeadlessHost host;
    host.LoadInputScript(script);
    host.Install();
    NativeEvent event;
    for (int32_t t = 0; t < 20'000; ++t) host.windows().NextEvent(1, event);
    host.Uninstall();
  }
  state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(BM_HeadlessLongScriptWindowPolls)
    ->Arg(125'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
