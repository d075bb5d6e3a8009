// The simulator's speed: a virtual hour of the real game with the stalker at its boldest
// and the player walking, the mix rendered to memory; and the world of a thousand seeds,
// in process and as a thousand runs of quelmire-sim --world (build that target first).
// The game plays from the build's run folder, where its assets are.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "audio/ogg_decoder.h"
#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "host/audio/offline_audio_output.h"
#include "host/headless/headless_host.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/random.h"
#include "runtime/runtime.h"
#include "tools/sim/asset_folder.h"
#include "tools/sim/world_line.h"

extern char** environ;

namespace {

constexpr uint64_t kHourMs = 3'600'000;

// W held throughout; every 3 s Left for 400 ms, so the player walks in wide circles.
std::string WalkingScript() {
  std::string script = "0 key down W\n";
  for (uint64_t t = 3000; t + 400 < kHourMs; t += 3000) {
    script += std::to_string(t) + " key down Left\n" + std::to_string(t + 400) + " key up Left\n";
  }
  return script;
}

// The clear spot of the field farthest from (x, y), among a coarse grid.
void FarthestClearSpot(float x, float y, float& outX, float& outY) {
  GameGlobals& g = Game();
  float best = -1;
  for (int32_t i = 5; i < 150; i += 10) {
    for (int32_t j = 5; j < 150; j += 10) {
      bool clear = true;
      for (int32_t o = 1; o <= g.obstacleCount; ++o) {
        const ObstacleRect& r = g.obstacles[o];
        if (IsInside(i, j, r.xMin - 1, r.xMax + 1, r.yMin - 1, r.yMax + 1)) clear = false;
      }
      if (IsInside(i, j, g.tunnel.xMin, g.tunnel.xMax, g.tunnel.yMin - 1, g.tunnel.yMax + 2)) {
        clear = false;
      }
      float d = std::hypot(i - x, j - y);
      if (clear && d > best) {
        best = d;
        outX = static_cast<float>(i);
        outY = static_cast<float>(j);
      }
    }
  }
}

// The game's own start and main loop, with every page but the last taken so that the
// stalker is as bold as it gets. A caught player would end the process; instead, when
// the stalker comes within 5 units (it steps 1 unit per 16 ms at most), the player is
// moved to the far side of the field and the hunt goes on.
void PlayAnHour() {
  RandomSeed(1);
  ClearGameGlobals();
  GameThreadVarsStart();
  KeyboardInit();
  ScreenInit();
  Game().mouseAvailable = MouseInit();
  SoundInit();
  SoundUseOggDecoder();
  SetStartGlobals();
  SetGameStartValues();
  GenerateWorld();
  PlacePlayer();
  GameGlobals& g = Game();
  g.pagesCollected = 7;
  g.tickStart = ElapsedMs();
  g.stalkerThread = ThreadCreate(RunStalker, 0);
  int32_t start = ElapsedMs();
  while (ElapsedMsSince(start, ElapsedMs()) < static_cast<int32_t>(kHourMs)) {
    if (g.stalker.active == 1 && Distance(g.stalker.x, g.stalker.y, g.player.x, g.player.y) < 5) {
      float x = 0, y = 0;
      FarthestClearSpot(g.stalker.x, g.stalker.y, x, y);
      g.player.x = x;
      g.player.y = y;
    }
    if (ElapsedMsSince(g.tickStart, ElapsedMs()) > 16) RunTick();
    WindowPollEvent(1);
  }
  StopStalker();
  RuntimeEnd();
}

void BM_SimVirtualHourBoldStalker(benchmark::State& state) {
  std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(QUELMIRE_RUN_DIR);
  int64_t ticks = 0;
  for (auto _ : state) {
    HeadlessHost host;
    host.LoadInputScript(WalkingScript());
    host.trace().KeepInMemory(false);
    // Rendered into memory step by step, then dropped: an hour would fill 690 MB.
    host.AddTimeListener([&host](uint64_t, uint64_t) { host.audio().ClearSamples(); });
    host.Install();
    PlayAnHour();
    ticks += Game().tickCount;
    host.Uninstall();
  }
  std::filesystem::current_path(before);
  state.counters["ticks"] =
      benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kAvgIterations);
  state.counters["virtual_s_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kHourMs / 1000.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimVirtualHourBoldStalker)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_WorldLine1000Seeds(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t seed = 1; seed <= 1000; ++seed) benchmark::DoNotOptimize(BuildWorldLine(seed));
  }
}
BENCHMARK(BM_WorldLine1000Seeds)->Unit(benchmark::kMillisecond)->UseRealTime();

// quelmire-sim --world --seed N, for N = 1 .. 1000, one process each.
void BM_WorldCommand1000Seeds(benchmark::State& state) {
  std::string tool = QUELMIRE_RUN_DIR "/quelmire-sim";
  if (!std::filesystem::exists(tool)) {
    state.SkipWithError("build quelmire-sim first: it is missing from the run folder");
    return;
  }
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    for (int32_t seed = 1; seed <= 1000; ++seed) {
      std::string seedText = std::to_string(seed);
      char* argv[] = {tool.data(), const_cast<char*>("--world"), const_cast<char*>("--seed"),
                      seedText.data(), nullptr};
      pid_t child = 0;
      int status = 0;
      if (posix_spawn(&child, tool.c_str(), &quiet, nullptr, argv, environ) != 0 ||
          waitpid(child, &status, 0) != child || status != 0) {
        state.SkipWithError("quelmire-sim --world failed");
        break;
      }
    }
  }
  posix_spawn_file_actions_destroy(&quiet);
}
BENCHMARK(BM_WorldCommand1000Seeds)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
