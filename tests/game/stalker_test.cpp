// The stalker pass by pass on the headless host: its aggressiveness, its appearance, the
// static layers by distance, vanishing, the movement burst, and the kill.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "audio/sound.h"
#include "game/game.h"
#include "game/stalker.h"
#include "game/state.h"
#include "platform/platform.h"
#include "runtime/random.h"
#include "tests/game/game_test_support.h"

namespace {

TEST(HeadingToward, GivesTheWholeDegreeHeadingFromTheStalkerToThePlayer) {
  EXPECT_EQ(HeadingToward(75, 75, 85, 75), -90);  // a step toward -x
  EXPECT_EQ(HeadingToward(75, 85, 70, 75), 27);
  EXPECT_EQ(HeadingToward(75, 75, 75, 85), 180);
  EXPECT_EQ(HeadingToward(75, 85, 75, 75), 0);
  EXPECT_EQ(HeadingToward(75, 75, 75, 75), 0);
  EXPECT_EQ(HeadingToward(85, 75, 75, 75), 90);  // 179.99998 - 90 rounds to 90
  // The algorithm's results run from -180 to 180, not over the player's 0..359.
  EXPECT_EQ(HeadingToward(70, 70, 75, 75), -135);
  EXPECT_EQ(HeadingToward(80, 70, 75, 75), 135);
}

class StalkerPassTest : public testing::Test {
 protected:
  void SetUp() override { LoadGameSounds(); }

  // Puts an active stalker at (75, 75) and the player `d` units toward +x.
  void Present(float d) {
    GameGlobals& g = Game();
    g.stalker.active = 1;
    g.stalker.x = 75;
    g.stalker.y = 75;
    g.player.x = 75 + d;
    g.player.y = 75;
  }

  // Seeds so that a present stalker's pass at distance `d` neither vanishes nor moves.
  int32_t SeedForQuietPass(int32_t d) {
    std::vector<int32_t> maxima = d > 40 ? std::vector<int32_t>{100, 1000} : std::vector{1000};
    return SeedFor(maxima, [&](const std::vector<int32_t>& v) {
      return v.back() != 1 && (d <= 40 || v[0] != 50);
    });
  }

  static void ExpectLayer(int32_t sound, int32_t volume) {
    if (volume < 0) {
      EXPECT_EQ(SoundIsPlaying(sound), 0);
      return;
    }
    EXPECT_EQ(SoundIsPlaying(sound), 1);
    EXPECT_EQ(LevelOf(sound), LevelForVolume(volume));
  }

  TestAssets assets_;
  EventLog log_;
  HeadlessGame game_;
};

TEST_F(StalkerPassTest, StaticLayersFollowTheTableRowByRow) {
  struct Row {
    int32_t d, outer, inner;  // -1: stopped
  };
  const Row rows[] = {{35, 100, 50}, {65, 70, -1}, {41, 90, 30},  {39, 100, 50},
                      {9, 100, 100}, {99, 20, -1}, {101, -1, -1}, {59, 90, 20}};
  GameGlobals& g = Game();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "distance " << row.d);
    Present(static_cast<float>(row.d));
    SeedForQuietPass(row.d);
    ASSERT_TRUE(StalkerPass());
    ExpectLayer(g.staticOuter, row.outer);
    ExpectLayer(g.staticInner, row.inner);
  }
}

TEST_F(StalkerPassTest, AtExactly100And60ALayerIsLeftAsItIs) {
  GameGlobals& g = Game();
  SoundPlay(g.staticOuter, 1, 37);
  SoundPlay(g.staticInner, 1, 37);
  Present(100);
  SeedForQuietPass(100);
  ASSERT_TRUE(StalkerPass());
  ExpectLayer(g.staticOuter, 37);
  ExpectLayer(g.staticInner, -1);

  SoundPlay(g.staticInner, 1, 37);
  Present(60);
  SeedForQuietPass(60);
  ASSERT_TRUE(StalkerPass());
  ExpectLayer(g.staticOuter, 70);
  ExpectLayer(g.staticInner, 37);
}

TEST_F(StalkerPassTest, AggressivenessFollowsPagesAndStaysFromTheEighthOn) {
  struct Row {
    int32_t appearChance;
    float speed;
    int32_t moveChance;
  };
  const Row rows[] = {{10000, 0.5f, 1000}, {5000, 0.5f, 768}, {2048, 0.5f, 512}, {1024, 0.5f, 384},
                      {768, 0.8f, 256},    {512, 1.0f, 128},  {256, 1.0f, 110},  {128, 1.0f, 100}};
  GameGlobals& g = Game();
  for (int32_t pages = 0; pages <= 9; ++pages) {
    SCOPED_TRACE(testing::Message() << pages << " pages");
    const Row& row = rows[pages < 8 ? pages : 7];
    g.pagesCollected = pages;
    // The one draw of an absent stalker's pass is its appearance, which must fail.
    int32_t seed = SeedFor({row.appearChance}, [](auto& v) { return v[0] != 1; });
    ASSERT_TRUE(StalkerPass());
    EXPECT_EQ(g.stalker.appearChance, row.appearChance);
    EXPECT_EQ(g.stalker.speed, row.speed);
    EXPECT_EQ(g.stalker.moveChance, row.moveChance);
    EXPECT_EQ(g.stalker.active, 0);
    uint32_t next = NextWord();
    EXPECT_EQ(next, WordAfter(seed, {row.appearChance}));
  }
}

// Appears with pages 7 at the drawn point, the player `d` units toward +x of it.
class AppearanceTest : public StalkerPassTest {
 protected:
  void AppearAt(int32_t d) {
    GameGlobals& g = Game();
    g.pagesCollected = 7;
    std::vector<int32_t> maxima = {128, 130, 130, 100};
    if (d > 40) maxima.insert(maxima.begin() + 3, 100);  // the vanishing draw
    seed_ = SeedFor(maxima, [&](const std::vector<int32_t>& v) {
      return v[0] == 1 && v.back() != 1 && (d <= 40 || v[3] != 50);
    });
    std::vector<int32_t> draws = DrawsFrom(seed_, maxima);
    x_ = static_cast<float>(draws[1] + 10);
    y_ = static_cast<float>(draws[2] + 10);
    g.player.x = x_ + static_cast<float>(d);
    g.player.y = y_;
    RandomSeed(seed_);
    ASSERT_TRUE(StalkerPass());
    uint32_t next = NextWord();
    EXPECT_EQ(next, WordAfter(seed_, maxima));
  }
  int32_t seed_ = 0;
  float x_ = 0, y_ = 0;
};

TEST_F(AppearanceTest, WithinFortyTheAppearanceCueSoundsCentred) {
  AppearAt(39);
  GameGlobals& g = Game();
  EXPECT_EQ(g.stalker.active, 1);
  EXPECT_EQ(g.stalker.x, x_);
  EXPECT_EQ(g.stalker.y, y_);
  ExpectLayer(g.stalkerSound, 100);
  std::vector<CueReport> cues = log_.CuesNamed("vorlent/appearClose");
  ASSERT_EQ(cues.size(), 1u);
  EXPECT_EQ(cues[0].placement, kCentred);
  EXPECT_EQ(cues[0].pan, 0);
  EXPECT_EQ(cues[0].volume, 100);
  EXPECT_TRUE(cues[0].stalkerThread == false);  // this test drives the pass itself
}

TEST_F(AppearanceTest, AtFortyOnlyItsOwnSoundStarts) {
  AppearAt(40);
  EXPECT_EQ(Game().stalker.active, 1);
  ExpectLayer(Game().stalkerSound, 100);
  EXPECT_TRUE(log_.CuesNamed("vorlent/appearClose").empty());
}

TEST_F(AppearanceTest, FartherAwayTheVanishingDrawIsMadeInTheSamePass) {
  AppearAt(41);
  EXPECT_EQ(Game().stalker.active, 1);
  EXPECT_TRUE(log_.CuesNamed("vorlent/appearClose").empty());
}

TEST_F(StalkerPassTest, VanishingStopsItsSoundAndLeavesTheLayersPlaying) {
  GameGlobals& g = Game();
  SoundPlay(g.stalkerSound, 1, 100);
  Present(41);
  int32_t seed = SeedFor({100, 1000}, [](auto& v) { return v[0] == 50 && v[1] != 1; });
  ASSERT_TRUE(StalkerPass());
  uint32_t next = NextWord();
  EXPECT_EQ(next, WordAfter(seed, {100, 1000}));  // the burst draw still comes
  EXPECT_EQ(g.stalker.active, 0);
  EXPECT_EQ(g.stalker.x, 75.0f);  // the danger spot stays
  EXPECT_EQ(SoundIsPlaying(g.stalkerSound), 0);
  ExpectLayer(g.staticOuter, 90);
  ExpectLayer(g.staticInner, 30);
}

TEST_F(StalkerPassTest, NoVanishingDrawAtFortyOrLess) {
  Present(40);
  int32_t seed = SeedForQuietPass(40);
  ASSERT_TRUE(StalkerPass());
  uint32_t next = NextWord();
  EXPECT_EQ(next, WordAfter(seed, {1000}));
  EXPECT_EQ(Game().stalker.active, 1);
}

TEST_F(StalkerPassTest, ABurstLevelInXWalksStraightAlongY) {
  GameGlobals& g = Game();
  g.pagesCollected = 7;  // steps of 1.0
  g.stalker.active = 1;
  g.stalker.x = 75;
  g.stalker.y = 50;
  g.player.x = 75;
  g.player.y = 70;
  SeedFor({100}, [](auto& v) { return v[0] == 1; });
  uint64_t before = game_.host().NowMs();
  ASSERT_TRUE(StalkerPass());
  EXPECT_EQ(game_.host().NowMs() - before, 5 * 16 + 16u);  // five steps, then the pass
  EXPECT_EQ(g.stalker.heading, 0);
  EXPECT_EQ(g.stalker.x, 75.0f);
  EXPECT_EQ(g.stalker.y, 55.0f);
}

TEST_F(StalkerPassTest, AStepLeavingTheFieldIsSkippedAndTheNextTriesAgain) {
  GameGlobals& g = Game();
  g.pagesCollected = 7;
  g.stalker.active = 1;
  g.stalker.x = 149.5f;
  g.stalker.y = 75;
  g.player.x = 160;  // beyond the edge: the first step would reach 150.5
  g.player.y = 75;
  bool moved = false;
  game_.host().AddTimeListener([&](uint64_t, uint64_t) {
    if (!moved) g.player.x = 140;  // after the first step the player stands inside
    moved = true;
  });
  SeedFor({100}, [](auto& v) { return v[0] == 1; });
  ASSERT_TRUE(StalkerPass());
  // Skipped once, then four steps of 1.0 toward -x.
  EXPECT_EQ(g.stalker.x, 145.5f);
  EXPECT_EQ(g.stalker.y, 75.0f);
  EXPECT_EQ(g.stalker.heading, -90);
}

TEST_F(StalkerPassTest, BeforeItsFirstAppearanceTheOriginKillsAfterSevenSeconds) {
  GameGlobals& g = Game();
  g.player.x = 1.5f;  // 1.58 from the stalker's stored (0, 0)
  g.player.y = 0.5f;
  EXPECT_EQ(game_.TickUntilExit(2), 0);
  std::vector<CueReport> death = log_.CuesNamed("player/death");
  ASSERT_EQ(death.size(), 1u);
  EXPECT_EQ(death[0].pan, 0);
  EXPECT_EQ(death[0].volume, 100);
  std::vector<std::string> lines = log_.Lines();
  ASSERT_GE(lines.size(), 2u);
  // The death is reported at tick 1 (17 ms); the end sequence starts 7 s later.
  EXPECT_EQ(lines.back(), "7017 ending 2 code 0");
}

TEST_F(StalkerPassTest, AVanishedStalkerStillKillsWithinTwoButNotAtTwo) {
  GameGlobals& g = Game();
  g.stalker.active = 0;
  g.stalker.x = 50;
  g.stalker.y = 50;
  g.player.x = 52;  // exactly 2: safe
  g.player.y = 50;
  game_.Ticks(3);
  EXPECT_TRUE(log_.CuesNamed("player/death").empty());
  g.player.x = 51.9f;
  EXPECT_EQ(game_.TickUntilExit(1), 0);
  EXPECT_EQ(log_.CuesNamed("player/death").size(), 1u);
}

}  // namespace
