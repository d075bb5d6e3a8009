#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "host/headless/headless_host.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/random.h"
#include "runtime/threads.h"

namespace {

// The generated sound set, in the build's run folder, is the working folder for the game.
class GameOnHeadlessHost {
 public:
  GameOnHeadlessHost() {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(QUELMIRE_RUN_DIR);
    host_.Install();
    GameThreadVarsStart();
    SetStartGlobals();
    SetGameStartValues();
    KeyboardInit();
    ScreenInit();
    Game().mouseAvailable = MouseInit();
    SoundInit();
    RandomSeed(1);
    GenerateWorld();
    PlacePlayer();
  }
  ~GameOnHeadlessHost() {
    RuntimeEnd();
    host_.Uninstall();
    std::filesystem::current_path(previous_);
  }

  // Fills every slot of the ring with a positional footstep within hearing, so that the
  // re-mix of a tick has all 257 to do.
  static void FillRing() {
    GameGlobals& g = Game();
    for (int32_t i = 0; i < 257; ++i) {
      float x = g.player.x + static_cast<float>(i % 40) - 20.0f;
      float y = g.player.y + static_cast<float>(i / 40) - 3.0f;
      PlayCue("terrain/grass" + std::to_string(i % 6 + 1), 0, x, y, 0);
    }
  }

 private:
  std::filesystem::path previous_;
  HeadlessHost host_;
};

// One tick of play with every cue slot live: input, ambience, commands, the player's
// update, the re-mix of 257 cues and the stalker's sound, milestones and pages.
void BM_TickWithAllCueSlotsLive(benchmark::State& state) {
  GameOnHeadlessHost game;
  GameOnHeadlessHost::FillRing();
  int32_t live = 0;
  for (int32_t i = 0; i <= 256; ++i) live += SoundFromNumber(Game().cueSlots[i].sound) != 0;
  if (live != 257) state.SkipWithError("the ring did not fill: are the assets generated?");
  Game().stalker.active = 1;  // its sound is re-mixed too
  for (auto _ : state) {
    RunTick();
    // An ambient noise every 101st tick recycles a slot: refill the ring, untimed.
    if (Game().ambienceCounter == 0) {
      state.PauseTiming();
      GameOnHeadlessHost::FillRing();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_TickWithAllCueSlotsLive)->Unit(benchmark::kMicrosecond);

// PlayCue of a footstep from the generated set: distance test, the slot's recycle (stop
// and free), the file's load, the mix and the start.
void BM_PlayCueFootstep(benchmark::State& state) {
  GameOnHeadlessHost game;
  GameOnHeadlessHost::FillRing();
  GameGlobals& g = Game();
  for (auto _ : state) PlayCue("terrain/grass3", 1, g.player.x, g.player.y, 0);
  if (SoundFromNumber(g.cueSlots[ThreadVars().cueCursor].sound) == 0) {
    state.SkipWithError("terrain/grass3 did not load: are the assets generated?");
  }
}
BENCHMARK(BM_PlayCueFootstep)->Unit(benchmark::kMicrosecond);

}  // namespace
