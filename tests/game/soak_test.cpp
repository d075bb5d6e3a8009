// Both game threads at full aggressiveness for an hour of virtual time on the headless
// host: the player keeps out of the stalker's reach while pages hint, ambient noises come
// and the stalker appears, hunts and vanishes. Every sound alive must be one the game
// holds: the fixed sounds and one per cue slot, never more.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "platform/platform.h"
#include "runtime/object_table.h"
#include "runtime/random.h"
#include "runtime/threads.h"
#include "tests/game/game_test_support.h"

namespace {

#ifndef QUELMIRE_SOAK_MINUTES
#define QUELMIRE_SOAK_MINUTES 60
#endif

constexpr int32_t kFixedSounds = 9;  // bed, breathing, three static, four atmosphere layers

// Sounds alive in the engine now, found by trying every handle handed out so far.
int32_t LiveSounds(int32_t highestHandle) {
  int32_t live = 0;
  for (int32_t n = kFirstDynamicNumber; n <= highestHandle; ++n) live += SoundFromNumber(n) != 0;
  return live;
}

// The sounds the cue slots hold, each alive.
std::set<int32_t> SlotSounds() {
  std::set<int32_t> sounds;
  for (int32_t i = 0; i <= 256; ++i) {
    int32_t sound = Game().cueSlots[i].sound;
    if (sound == 0) continue;
    EXPECT_NE(SoundFromNumber(sound), 0) << "slot " << i;
    sounds.insert(sound);
  }
  return sounds;
}

// Before the stalker can reach the player, the player moves to the field's far corner.
void KeepAway() {
  GameGlobals& g = Game();
  float sx = g.stalker.x, sy = g.stalker.y;
  if (Distance(sx, sy, g.player.x, g.player.y) >= 10) return;
  g.player.x = sx < 75 ? 145.0f : 5.0f;
  g.player.y = sy < 75 ? 145.0f : 5.0f;
}

TEST(Soak, AnHourAtFullAggressivenessKeepsSoundsAndSlotsBounded) {
  TestAssets assets;
  EventLog log;
  HeadlessOptions options;
  options.audioRate = 8000;
  HeadlessGame game("", options);
  PrepareBoldStalker(4, 5, 5);
  GameGlobals& g = Game();
  const float spots[8][2] = {{20, 20}, {20, 130}, {130, 20}, {130, 130},
                             {75, 20}, {75, 130}, {20, 75},  {130, 75}};
  for (int32_t k = 1; k <= 8; ++k) {
    g.pages[k] = {};
    g.pages[k].x = spots[k - 1][0];
    g.pages[k].y = spots[k - 1][1];
    g.pages[k].active = 1;
  }
  g.stalkerThread = ThreadCreate(RunStalker, 0);
  ASSERT_NE(g.stalkerThread, 0);

  int32_t highest = kFirstDynamicNumber + kFixedSounds - 1;
  size_t seen = 0;
  const int32_t ticksPerMinute = 60000 / 17;
  for (int32_t minute = 1; minute <= QUELMIRE_SOAK_MINUTES; ++minute) {
    for (int32_t t = 0; t < ticksPerMinute; ++t) {
      DelayMs(17);
      KeepAway();
      RunTick();
    }
    std::vector<CueReport> cues = log.Cues();
    for (; seen < cues.size(); ++seen) highest = std::max(highest, cues[seen].sound);
    int32_t live = LiveSounds(highest);
    std::set<int32_t> held = SlotSounds();
    ASSERT_EQ(live, kFixedSounds + static_cast<int32_t>(held.size())) << "minute " << minute;
    ASSERT_LE(live, kFixedSounds + 257);
  }
  StopStalker();
  EXPECT_EQ(game.host().scheduler().ThreadCount(), 1u);

  // The hour did what it was meant to: the ring went round, the stalker came and went.
  int32_t appearances = 0, vanishings = 0;
  for (const std::string& line : log.Lines()) {
    appearances += line.find("stalker appears") != std::string::npos;
    vanishings += line.find("stalker vanishes") != std::string::npos;
  }
  EXPECT_GT(log.Cues().size(), 257u * QUELMIRE_SOAK_MINUTES / 30);
  EXPECT_GT(appearances, QUELMIRE_SOAK_MINUTES);
  EXPECT_GT(vanishings, QUELMIRE_SOAK_MINUTES / 2);
  EXPECT_TRUE(log.CuesNamed("player/death").empty());
}

}  // namespace
