// The live mode's cost: a minute of play driven through quelmire-sim --live, one command
// a tick (17 ms, the ear player's finest step) or every 340 ms, against the same input
// replayed through --script, with and without the mix written out. Each run is a child
// process reading its commands from a file and writing its answers to /dev/null (build
// the quelmire-sim target first).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/sim/live_protocol.h"

extern char** environ;

namespace {

constexpr uint32_t kRunMs = 60'000;
constexpr uint32_t kFirstMs = 200;  // the quick start's title and intro

std::string Frame(uint8_t kind, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> frame = LiveFrame(kind, payload);
  return std::string(frame.begin(), frame.end());
}

// W held from the first step on; every 3 s Left for 340 ms: the same as a script.
void WriteInputs(uint32_t stepMs, const std::string& livePath, const std::string& scriptPath) {
  std::string live, script;
  auto step = [&](uint32_t ms) {
    std::vector<uint8_t> payload;
    PutU32(payload, ms);
    live += Frame(kLiveStep, payload);
  };
  auto key = [&](uint32_t at, uint8_t code, bool down) {
    live += Frame(kLiveKey, {code, static_cast<uint8_t>(down ? 1 : 0)});
    script += std::to_string(at) + (down ? " key down " : " key up ") + std::to_string(code) + "\n";
  };
  step(kFirstMs);
  key(kFirstMs, 17, true);
  for (uint32_t t = kFirstMs; t < kRunMs; t += stepMs) {
    if (t % 3000 < stepMs) key(t, 203, true);
    if ((t + 3000 - 340) % 3000 < stepMs && t > 3000) key(t, 203, false);
    step(std::min(stepMs, kRunMs - t));
  }
  live += Frame(kLiveStop, {});
  std::ofstream(livePath, std::ios::binary) << live;
  std::ofstream(scriptPath, std::ios::binary) << script;
}

void Run(const std::vector<std::string>& args, const std::string& input) {
  std::vector<std::string> argv = {QUELMIRE_RUN_DIR "/quelmire-sim", "--seed", "2",
                                   "--quick-start"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  int status = 0;
  std::filesystem::current_path(QUELMIRE_RUN_DIR);
  posix_spawn(&child, pointers[0], &files, nullptr, pointers.data(), environ);
  waitpid(child, &status, 0);
  posix_spawn_file_actions_destroy(&files);
}

// mode 0: --live; 1: --script; 2: --script with --wav /dev/null.
void BM_LiveMinute(benchmark::State& state) {
  auto stepMs = static_cast<uint32_t>(state.range(0));
  std::string dir = std::filesystem::temp_directory_path() / "quelmire-live-bench";
  std::filesystem::create_directories(dir);
  std::string live = dir + "/live.in", script = dir + "/walk.txt";
  WriteInputs(stepMs, live, script);
  double childCpu = 0;
  for (auto _ : state) {
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    switch (state.range(1)) {
      case 0:
        Run({"--live"}, live);
        break;
      case 1:
        Run({"--script", script, "--ms", std::to_string(kRunMs)}, "/dev/null");
        break;
      default:
        Run({"--script", script, "--ms", std::to_string(kRunMs), "--wav", "/dev/null"},
            "/dev/null");
    }
    getrusage(RUSAGE_CHILDREN, &after);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    childCpu += seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                seconds(before.ru_stime);
  }
  // The simulator's own CPU time per run: the figure to compare, on a shared machine.
  state.counters["sim_cpu_s"] = childCpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LiveMinute)
    ->ArgNames({"stepMs", "mode"})
    ->ArgsProduct({{17, 340}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
