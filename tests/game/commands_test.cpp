// The player's commands on the headless host: page pickup, the compass latch, the tunnel
// jump, the coordinate box, mouse turning and Escape.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/state.h"
#include "tests/game/game_test_support.h"

namespace {

using CommandsTest = GrassFieldTest;

TEST_F(CommandsTest, OneSpaceReleaseTakesEveryPageWithinReachEachWithItsCue) {
  LayPage(1, 75, 77);
  LayPage(2, 77, 75);
  LayPage(3, 75, 78);  // exactly 3 away: out of reach
  Script("0 key down Space\n100 key up Space\n");
  game_.Ticks(5);  // held: nothing yet
  EXPECT_EQ(Game().pagesCollected, 0);
  game_.Tick();
  EXPECT_EQ(Game().pagesCollected, 2);
  EXPECT_EQ(Game().pages[1].active, 0);
  EXPECT_EQ(Game().pages[2].active, 0);
  EXPECT_EQ(Game().pages[3].active, 1);
  std::vector<CueReport> takes = log_.CuesNamed("physics/note_take");
  ASSERT_EQ(takes.size(), 2u);
  EXPECT_EQ(takes[0].placement, kCentred);
  EXPECT_NE(takes[0].slot, takes[1].slot);
  game_.Ticks(3);
  EXPECT_EQ(Game().pagesCollected, 2);
}

TEST_F(CommandsTest, TheLeftButtonHeldTakesAPageTheTickAfterItComesWithinReach) {
  LayPage(1, 75, 78);  // 3 away: within reach after the first step
  // Mouse events count from the first examine, which captures the mouse (tick 1).
  Script("20 mouse down left\n20 key down W\n");
  game_.Ticks(2);
  EXPECT_EQ(Game().pages[1].active, 1);
  EXPECT_EQ(Count("pages/page1"), 1u);  // announced on arrival
  game_.Tick();
  EXPECT_EQ(Game().pages[1].active, 0);
  EXPECT_EQ(Game().pagesCollected, 1);
}

TEST_F(CommandsTest, TheCompassSoundsOncePerPressFiveUnitsTowardMinusY) {
  Script(
      "0 key down LCtrl\n"
      "100 key up LCtrl\n"
      "140 key down LCtrl\n");
  game_.Ticks(5);
  std::vector<CueReport> compass = log_.CuesNamed("player/compass");
  ASSERT_EQ(compass.size(), 1u);
  EXPECT_EQ(compass[0].placement, kPositioned);
  EXPECT_EQ(compass[0].x, 75.0f);
  EXPECT_EQ(compass[0].y, 70.0f);
  // Exactly toward -y the mix hears it where heading 0 points: in front, 5 away.
  EXPECT_EQ(compass[0].pan, 0);
  EXPECT_EQ(compass[0].volume, 92);
  game_.Ticks(4);
  EXPECT_EQ(Count("player/compass"), 2u);
}

TEST_F(CommandsTest, BothCompassControlsHeldTogetherGiveOneCueUntilBothAreUp) {
  Script(
      "0 key down LCtrl\n"
      "20 mouse down right\n"
      "50 key up LCtrl\n"
      "85 key down LCtrl      # the button still holds the latch\n"
      "100 key up LCtrl\n"
      "100 mouse up right\n"
      "120 mouse down right\n");
  game_.Ticks(7);
  EXPECT_EQ(Count("player/compass"), 1u);
  game_.Ticks(2);  // tick at 136 ms: re-armed, the button plays it
  EXPECT_EQ(Count("player/compass"), 2u);
}

TEST_F(CommandsTest, TheCompassIsSilentIfAMovementKeyWasHeldTheTickBefore) {
  Script("0 key down W\n40 key up W\n40 key down LCtrl\n");
  game_.Ticks(3);
  EXPECT_EQ(Count("player/compass"), 0u);
  game_.Tick();
  EXPECT_EQ(Count("player/compass"), 1u);
}

TEST_F(CommandsTest, TJumpsToTheTunnelCornerPlusOneEvenOntoAnObstacle) {
  GameGlobals& g = Game();
  g.tunnel = {20, 40, 40, 45};
  g.obstacles[1] = {20, 23, 40, 43};
  Script("0 key down T\n20 key up T\n");
  game_.Tick();
  EXPECT_EQ(g.player.x, 75.0f);
  game_.Tick();
  EXPECT_EQ(g.player.x, 21.0f);
  EXPECT_EQ(g.player.y, 41.0f);
  EXPECT_TRUE(log_.Cues().empty());
}

TEST_F(CommandsTest, CReportsTheCoordinatesInABoxCaptionedCoords) {
  Game().player.y = 12.5f;
  Script("0 key down C\n20 key up C\n");
  game_.Ticks(2);
  std::vector<std::string> lines = game_.host().trace().Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("\"caption\":\"Coords\",\"text\":\"75,12.5\""), std::string::npos)
      << lines.back();
}

TEST_F(CommandsTest, TheMouseTurnsByAQuarterOfItsMovementRoundedToEven) {
  Player& p = Game().player;
  Script(
      "20 mouse move 6\n"
      "40 mouse move 2\n"
      "60 mouse move 10\n"
      "80 mouse move -6\n"
      "100 mouse move -14\n");
  game_.Tick();
  EXPECT_EQ(p.heading, 0);
  const int32_t headings[] = {2, 2, 4, 2, 358};  // +1.5 -> 2, 0.5 -> 0, 2.5 -> 2, -3.5 -> 4
  for (int32_t heading : headings) {
    game_.Tick();
    EXPECT_EQ(p.heading, heading);
  }
}

TEST_F(CommandsTest, EscapeHeldEndsTheGameAtOnceWithCodeZero) {
  Script("30 key down Escape\n");
  game_.Tick();
  EXPECT_EQ(game_.TickUntilExit(2), 0);
  std::vector<std::string> lines = log_.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "34 ending 1 code 0");
}

}  // namespace
