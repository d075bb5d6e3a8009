// Long walks as a new player makes them, two movement keys held at once, turning and running
// by chance, in generated worlds whose obstacles reach past the field's edge: the player
// never ends a tick outside the field and is never held in place for long while it keeps
// trying other keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "game/game.h"
#include "game/state.h"
#include "input/input.h"
#include "runtime/random.h"
#include "tests/game/game_test_support.h"

namespace {

constexpr int32_t kTickMs = 17;
constexpr int32_t kWalkMs = 10 * 60 * 1000;
// Longer than a walker's longest spell with one set of keys (3 s) twice over.
constexpr int32_t kLongestHoldTicks = 8000 / kTickMs;

// A striding walk: spells of 0.3 to 3 s, each with its own keys: mostly a forward or
// backward key with a strafe key, sometimes one key alone; Left Shift held in half of
// them; a turn in two of five, for part of the spell.
std::string StridingWalk(uint32_t seed) {
  std::mt19937 draw(seed);
  auto below = [&draw](uint32_t n) { return static_cast<int32_t>(draw() % n); };
  const char* const pairs[][2] = {{"W", "A"}, {"W", "D"}, {"S", "A"}, {"S", "D"},
                                  {"W", ""},  {"S", ""},  {"A", ""},  {"D", ""}};
  std::string script;
  auto line = [&script](int32_t ms, const char* what, const char* key) {
    if (*key != '\0') script += std::to_string(ms) + " key " + what + " " + key + "\n";
  };
  for (int32_t ms = 0; ms < kWalkMs;) {
    int32_t spell = 300 + below(2700);
    const auto& keys = pairs[below(10) < 8 ? below(4) : 4 + below(4)];
    const char* shift = below(2) == 0 ? "LShift" : "";
    const char* turn = below(5) < 2 ? (below(2) == 0 ? "Left" : "Right") : "";
    int32_t turnMs = 50 + below(spell - 50);
    for (const char* key : {keys[0], keys[1], shift, turn}) line(ms, "down", key);
    line(ms + turnMs, "up", turn);
    for (const char* key : {keys[0], keys[1], shift}) line(ms + spell, "up", key);
    ms += spell + kTickMs;
  }
  return script;
}

bool AnyMoveKeyHeld() {
  return KeyDown(kKeyW) || KeyDown(kKeyA) || KeyDown(kKeyS) || KeyDown(kKeyD);
}

// One walk a seed, each its own test so that the walks run side by side.
class FieldEdge : public testing::TestWithParam<uint32_t> {};

TEST_P(FieldEdge, AStridingWalkNeverLeavesTheFieldNorStaysHeldInPlace) {
  uint32_t seed = GetParam();
  TestAssets assets;
  HeadlessOptions options;
  options.audioRate = 8000;
  HeadlessGame game(StridingWalk(seed), options);
  RandomSeed(static_cast<int32_t>(seed));
  SetGameStartValues();
  GenerateWorld();
  PlacePlayer();
  GameGlobals& g = Game();
  g.stalker.x = -1000;  // out of reach: the walk is about the field's edge
  g.stalker.y = -1000;
  int32_t outsideTicks = 0, firstOutside = 0, heldTicks = 0, longestHold = 0;
  for (int32_t tick = 1; tick <= kWalkMs / kTickMs; ++tick) {
    float x = g.player.x, y = g.player.y;
    game.Tick();
    if (!WithinMoveBounds(g.player.x, g.player.y)) {
      if (outsideTicks++ == 0) firstOutside = tick;
    }
    // Ticks between spells, with no key held, neither count nor end a hold.
    if (g.player.x != x || g.player.y != y) {
      heldTicks = 0;
    } else if (AnyMoveKeyHeld()) {
      longestHold = std::max(longestHold, ++heldTicks);
    }
  }
  EXPECT_EQ(outsideTicks, 0) << "first outside at tick " << firstOutside;
  EXPECT_LE(longestHold, kLongestHoldTicks);
}

INSTANTIATE_TEST_SUITE_P(TwentySeeds, FieldEdge, testing::Range(1u, 21u));

}  // namespace
