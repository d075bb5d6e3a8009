// World generation and the player's start, draw for draw.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/game.h"
#include "game/state.h"
#include "host/headless/headless_host.h"
#include "runtime/runtime.h"

namespace {

// Builds the world of `seed` on a headless host, as StartGame does before its loop.
// Returns the virtual milliseconds it took: one per page placement attempt.
uint64_t BuildWorld(int32_t seed) {
  return RunHeadless({}, [seed] {
    GameThreadVarsStart();
    SetStartGlobals();
    RandomSeed(seed);
    SetGameStartValues();
    GenerateWorld();
    PlacePlayer();
  });
}

void ExpectRect(const ObstacleRect& r, float xMin, float xMax, float yMin, float yMax) {
  EXPECT_EQ(r.xMin, xMin);
  EXPECT_EQ(r.xMax, xMax);
  EXPECT_EQ(r.yMin, yMin);
  EXPECT_EQ(r.yMax, yMax);
}

int32_t CountTerrain(int32_t kind) {
  int32_t count = 0;
  for (size_t i = 0; i < 152; ++i) {
    for (size_t j = 0; j < 152; ++j) count += Game().terrainMap.At({i, j}) == kind;
  }
  return count;
}

TEST(World, Seed12345GivesTheHandCheckedWorld) {
  uint64_t attempts = BuildWorld(12345);
  GameGlobals& g = Game();
  ExpectRect(g.tunnel, 127, 147, 125, 130);
  ExpectRect(g.keepOutArea, 14, 24, 84, 89);
  ExpectRect(g.obstacles[1], 42, 45, 107, 110);
  ExpectRect(g.obstacles[100], 133, 136, 145, 148);
  ExpectRect(g.obstacles[0], 0, 0, 0, 0);
  const float pages[8][2] = {{114, 75}, {49, 83},   {109, 25}, {94, 120},
                             {12, 36},  {137, 138}, {61, 1},   {41, 127}};
  for (int32_t k = 1; k <= 8; ++k) {
    EXPECT_EQ(g.pages[k].x, pages[k - 1][0]) << "page " << k;
    EXPECT_EQ(g.pages[k].y, pages[k - 1][1]) << "page " << k;
    EXPECT_EQ(g.pages[k].active, 1);
  }
  EXPECT_EQ(attempts, 27u);  // one event poll of 1 ms after every attempt
  EXPECT_EQ(static_cast<float>(g.player.x), 38.0f);
  EXPECT_EQ(static_cast<float>(g.player.y), 80.0f);
  EXPECT_EQ(CountTerrain(kTerrainTunnel), 126);  // 21 by 6 cells
  EXPECT_EQ(CountTerrain(kTerrainGrass), 151 * 151 - 126);

  // 264 draws in all: the next draw is the 265th of the seed's sequence.
  int32_t next = RandomNext(-1);
  RandomSeed(12345);
  for (int32_t i = 0; i < 264; ++i) RandomNext(-1);
  EXPECT_EQ(next, RandomNext(-1));
}

bool InsideAny(float x, float y) {
  GameGlobals& g = Game();
  for (int32_t o = 1; o <= 100; ++o) {
    const ObstacleRect& r = g.obstacles[o];
    if (IsInside(x, y, r.xMin, r.xMax, r.yMin, r.yMax)) return true;
  }
  return false;
}

TEST(World, EverySeedKeepsTheRulesOfPlacement) {
  for (int32_t seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    BuildWorld(seed * 7919);
    GameGlobals& g = Game();
    const ObstacleRect& t = g.tunnel;
    const ObstacleRect& k = g.keepOutArea;
    EXPECT_LE(t.xMax, 150);
    EXPECT_LE(t.yMax, 150);
    for (int32_t i = 1; i <= 8; ++i) {
      const Page& page = g.pages[i];
      EXPECT_FALSE(InsideAny(page.x, page.y));
      EXPECT_FALSE(IsInside(page.x, page.y, k.xMin, k.xMax, k.yMin, k.yMax));
      EXPECT_EQ(page.x, std::floor(page.x));
      for (int32_t j = 1; j < i; ++j) {
        EXPECT_GE(Distance(page.x, page.y, g.pages[j].x, g.pages[j].y), 40);
      }
    }
    float x = g.player.x, y = g.player.y;
    EXPECT_FALSE(InsideAny(x, y));
    EXPECT_FALSE(IsInside(x, y, t.xMin, t.xMax, t.yMin, t.yMax));
    EXPECT_FALSE(IsInside(x, y, k.xMin, k.xMax, k.yMin, k.yMax));
  }
}

TEST(World, RangeAndDistanceHelpers) {
  RandomSeed(99);
  int32_t third = (RandomNext(-1), RandomNext(-1), RandomNext(5));
  RandomSeed(99);
  EXPECT_EQ(RandomRange(5), third);  // two draws discarded, the third answers
  EXPECT_EQ(Distance(0, 0, 2.9f, 0), 2);
  EXPECT_EQ(Distance(0, 0, 3, 4), 5);
  EXPECT_EQ(Distance(75, 75, 75, 75), 0);
  EXPECT_FALSE(IsInside(42, 108, 42, 45, 107, 110));  // on an edge is outside
  EXPECT_TRUE(IsInside(43, 108, 42, 45, 107, 110));
}

}  // namespace
