// Walking on the headless host with scripted keys: turning, the moves and their speeds,
// the field's bounds, obstacles and tunnel walls, footsteps, stamina and breathing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "runtime/random.h"
#include "tests/game/game_test_support.h"

namespace {

class WalkingTest : public testing::Test {
 protected:
  void SetUp() override {
    LayGrass();
    Place(75, 75, 0);
  }

  static void Place(float x, float y, int32_t heading) {
    Player& p = Game().player;
    p.x = x;
    p.y = y;
    p.heading = heading;
  }

  // Where the player stands: a collision test's candidate that moves nothing.
  static Position Here() { return {Game().player.x, Game().player.y}; }

  void Script(std::string_view text) { ASSERT_TRUE(game_.host().LoadInputScript(text).empty()); }

  // The footstep cues heard so far.
  std::vector<std::string> Footsteps() const {
    std::vector<std::string> names;
    for (const CueReport& cue : log_.Cues()) {
      if (cue.name.starts_with("terrain/") || cue.name == "steps/fence") names.push_back(cue.name);
    }
    return names;
  }

  TestAssets assets_;
  EventLog log_;
  HeadlessGame game_;
};

TEST_F(WalkingTest, TurningWrapsAroundTheCircle) {
  Player& p = Game().player;
  p.heading = 357;
  TurnRight(3);
  EXPECT_EQ(p.heading, 0);
  TurnLeft(3);
  EXPECT_EQ(p.heading, 357);
  TurnLeft(0);
  EXPECT_EQ(p.heading, 357);
  p.heading = 10;
  TurnLeft(723);  // a large mouse turn
  EXPECT_EQ(p.heading, 7);

  Place(75, 75, 354);
  Script("0 key down Right\n");
  game_.Ticks(2);
  EXPECT_EQ(p.heading, 0);
  game_.Tick();
  EXPECT_EQ(p.heading, 3);
}

TEST_F(WalkingTest, TheFirstTickWalksAtTheStartSpeedThenAtTheWalkingSpeed) {
  Script("0 key down W\n");
  Player& p = Game().player;
  game_.Tick();
  float first = static_cast<float>(75.0 + static_cast<double>(0.05f));
  EXPECT_EQ(p.y, first);
  EXPECT_EQ(p.x, 75.0f);
  EXPECT_EQ(p.speed, 0.04f);
  game_.Tick();
  EXPECT_EQ(p.y, static_cast<float>(first + static_cast<double>(0.04f)));
  EXPECT_EQ(p.x, 75.0f);
}

TEST_F(WalkingTest, AtHeading90ForwardIncreasesXAndStrafingLeftGoesTowardMinusY) {
  Place(75, 75, 90);
  Script("0 key down W\n");
  Player& p = Game().player;
  game_.Tick();
  EXPECT_EQ(p.x, static_cast<float>(75.0 + static_cast<double>(0.05f)));
  EXPECT_EQ(p.y, 75.0f);  // cos of the not-quite-right angle is far below a float step

  Place(75, 75, 0);
  Script("20 key up W\n20 key down A\n");
  game_.Tick();
  EXPECT_LT(p.x, 75.0f);
  EXPECT_EQ(p.x, static_cast<float>(75.0 - static_cast<double>(0.04f)));
}

TEST_F(WalkingTest, TheFieldIsTheOpenSquareFromMinusOneTo150) {
  Player& p = Game().player;
  p.speed = 1.0f;
  Place(0.01f, 75, 270);
  MoveForward();
  EXPECT_NEAR(p.x, -0.99f, 1e-6);  // accepted

  Place(0, 75, 270);
  MoveForward();  // to -1.0 once stored in single precision
  EXPECT_EQ(p.x, 0.0f);

  Place(149, 75, 90);
  MoveForward();  // to 150.0
  EXPECT_EQ(p.x, 149.0f);

  Place(75, 0, 180);
  MoveForward();
  EXPECT_EQ(p.y, 0.0f);
  Place(75, 149.5f, 0);
  MoveBackward();
  EXPECT_EQ(p.y, 148.5f);
}

TEST_F(WalkingTest, WalkingIntoAnObstacleAlternatesInAndOutAndKnocksEvery41Detections) {
  GameGlobals& g = Game();
  g.obstacles[1] = {75, 78, 80, 83};
  Place(76, 79.98f, 0);
  Script("0 key down W\n");
  Player& p = g.player;

  game_.Tick();  // the step in is accepted
  float inside = static_cast<float>(79.98f + static_cast<double>(0.05f));
  EXPECT_EQ(p.y, inside);
  game_.Tick();  // found inside: pushed one step back, the move refused
  float outside = static_cast<float>(inside - static_cast<double>(0.04f));
  EXPECT_EQ(p.y, outside);
  game_.Tick();  // clear again: accepted
  EXPECT_EQ(p.y, static_cast<float>(outside + static_cast<double>(0.04f)));

  // Detections on every second tick: the 41st is on tick 82.
  game_.Ticks(78);
  EXPECT_TRUE(log_.CuesNamed("physics/hit_wood").empty());
  game_.Tick();
  std::vector<CueReport> knocks = log_.CuesNamed("physics/hit_wood");
  ASSERT_EQ(knocks.size(), 1u);
  // Placed at the player's own position, so mixed as a source behind at distance 0.
  EXPECT_EQ(knocks[0].placement, kPositioned);
  EXPECT_EQ(knocks[0].y, knocks[0].listenerY);
  EXPECT_EQ(knocks[0].pan, -54);
  EXPECT_EQ(knocks[0].volume, 67);
  game_.Ticks(82);
  EXPECT_EQ(log_.CuesNamed("physics/hit_wood").size(), 2u);
}

TEST_F(WalkingTest, WithoutADirectionThePushBackTakesTheMovesOwnCandidate) {
  GameGlobals& g = Game();
  g.obstacles[1] = {75, 78, 80, 83};
  Place(76, 81, 0);
  g.player.direction = kNoDirection;
  g.player.speed = 0.5f;
  MoveForward();  // inside already: the candidate itself becomes the position
  EXPECT_EQ(g.player.y, 81.5f);
  g.player.direction = kBackward;  // backward last tick: pushed toward +y
  MoveForward();
  EXPECT_EQ(g.player.y, 82.0f);
}

// An obstacle reaching past the edge at x = 150: no push-back takes the player out of the
// field, and a player found outside it (a run recorded before the edge was kept) walks
// back in but no farther out.
TEST_F(WalkingTest, NoPushBackLeavesTheFieldAndAPlayerOutsideWalksBackIn) {
  GameGlobals& g = Game();
  g.obstacles[1] = {148, 151, 60, 63};
  struct Row {
    const char* what;
    float x;
    int32_t heading;
    Direction direction;
    void (*move)();
    float after;
  };
  const Row rows[] = {
      {"pushed toward the edge: stays", 149.97f, 90, kBackward, MoveBackward, 149.97f},
      {"pushed away from the edge", 149.97f, 90, kForward, MoveForward, 149.93f},
      {"outside, inside the obstacle, pushed out: stays", 150.5f, 90, kBackward, MoveBackward,
       150.5f},
      {"outside, inside the obstacle, pushed in", 150.5f, 90, kForward, MoveForward, 150.46f},
      {"outside, clear, walking in", 151.5f, 270, kForward, MoveForward, 151.46f},
      {"outside, clear, walking out: refused", 151.5f, 90, kForward, MoveForward, 151.5f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Place(row.x, 61, row.heading);
    g.player.direction = row.direction;
    g.player.speed = 0.04f;
    row.move();
    EXPECT_NEAR(g.player.x, row.after, 1e-4);
    EXPECT_NEAR(g.player.y, 61.0f, 1e-4);
  }
}

TEST_F(WalkingTest, OverlappingObstaclesCountTwiceAndTunnelWallsAreBandsByTruncation) {
  GameGlobals& g = Game();
  g.obstacles[1] = {75, 78, 80, 83};
  g.obstacles[2] = {75, 78, 80, 83};
  g.tunnel = {20, 40, 40, 45};
  Place(76, 81, 0);
  g.hitCounter = 0;
  EXPECT_EQ(CheckCollisionAndPushBack(Here()), 0);
  EXPECT_EQ(g.hitCounter, 2);

  struct Spot {
    float x, y;
    int32_t clear;
  };
  const Spot spots[] = {{30, 39.99f, 1}, {30, 40, 0},    {30, 40.99f, 0}, {30, 41, 1},
                        {30, 44.99f, 1}, {30, 45.5f, 0}, {30, 46, 1},     {20, 40.5f, 1},
                        {40, 40.5f, 1},  {39.9f, 45, 0}};
  for (const Spot& spot : spots) {
    SCOPED_TRACE(testing::Message() << "(" << spot.x << ", " << spot.y << ")");
    g.player.direction = kNoDirection;
    Place(spot.x, spot.y, 0);
    EXPECT_EQ(CheckCollisionAndPushBack(Here()), spot.clear);
  }
  // A tunnel along the low edge: its lower band reaches down to -1.
  g.tunnel = {20, 40, 0, 5};
  Place(30, -0.5f, 0);
  EXPECT_EQ(CheckCollisionAndPushBack(Here()), 0);
}

TEST_F(WalkingTest, AFootstepOnThe31stTickHeldAndThe16thRunning) {
  int32_t seed = 11;
  int32_t grass = DrawsFrom(seed, {100, 256, 5})[2] + 1;
  RandomSeed(seed);
  Script("0 key down W\n");
  game_.Ticks(30);
  EXPECT_TRUE(Footsteps().empty());
  game_.Tick();
  ASSERT_EQ(Footsteps(), std::vector<std::string>{"terrain/grass" + std::to_string(grass)});
  CueReport step = log_.Cues().back();
  EXPECT_EQ(step.placement, kCentred);
  EXPECT_EQ(step.pan, 0);
  EXPECT_EQ(step.volume, 100);
}

TEST_F(WalkingTest, RunningAFootstepComesOnThe16thTick) {
  Script("0 key down W\n0 key down LShift\n");
  game_.Ticks(15);
  EXPECT_TRUE(Footsteps().empty());
  game_.Tick();
  EXPECT_EQ(Footsteps().size(), 1u);
}

TEST_F(WalkingTest, FootstepsFollowTheGround) {
  GameGlobals& g = Game();
  for (size_t i = 75; i <= 78; ++i) g.terrainMap.At({i, 75}) = kTerrainTunnel;
  Place(75.5f, 75.1f, 90);  // walks along x inside cell (75, 75)
  int32_t seed = 3;
  int32_t tunnel = DrawsFrom(seed, {100, 256, 5})[2] + 1;
  RandomSeed(seed);
  Script("0 key down W\n");
  game_.Ticks(31);
  EXPECT_EQ(Footsteps(), std::vector<std::string>{"terrain/tunnel" + std::to_string(tunnel)});
}

TEST_F(WalkingTest, OnTheEdgeStripTheFenceSoundsAndTheCountRestarts) {
  Place(-0.5f, 75, 0);
  int32_t seed = 5;
  RandomSeed(seed);
  Script("0 key down W\n");
  game_.Ticks(31);
  EXPECT_EQ(Footsteps(), std::vector<std::string>{"steps/fence"});
  uint32_t next = NextWord();
  EXPECT_EQ(next, WordAfter(seed, {}));  // no number drawn for the fence
  game_.Ticks(30);
  EXPECT_EQ(Footsteps().size(), 1u);
  game_.Tick();
  EXPECT_EQ(Footsteps().size(), 2u);
}

TEST_F(WalkingTest, BreathingFollowsStaminaAndTheLastApplicableLineWins) {
  GameGlobals& g = Game();
  g.breathSound = SoundLoad(-1, "assets/player/breath.wav");
  ASSERT_NE(g.breathSound, 0);
  SoundSetVolume(g.breathSound, 37);
  struct Row {
    float stamina;
    int32_t volume;
  };
  const Row rows[] = {{95, 37}, {45, 50}, {5, 90}, {99.9f, 90}, {100, 0}, {89.9f, 10}, {9.9f, 90}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "stamina " << row.stamina);
    g.player.stamina = row.stamina;
    UpdatePlayer();
    EXPECT_EQ(LevelOf(g.breathSound), LevelForVolume(row.volume));
    EXPECT_EQ(g.player.stamina, static_cast<float>(row.stamina + 0.2));
  }
  g.player.stamina = 101.0f;  // full: no more gain
  UpdatePlayer();
  EXPECT_EQ(g.player.stamina, 101.0f);
}

TEST_F(WalkingTest, RunningCostsStaminaAndStopsBelowTwo) {
  GameGlobals& g = Game();
  Player& p = g.player;
  Script("0 key down W\n");
  p.running = 1;
  p.stamina = 50;
  game_.Tick();
  EXPECT_EQ(p.stamina, static_cast<float>(static_cast<float>(50 + 0.2) - 0.5));
  EXPECT_EQ(p.speed, 0.1f);
  p.stamina = 2.2f;  // 2.2 + 0.2 - 0.5 = 1.9
  game_.Tick();
  EXPECT_EQ(p.running, 0);
  EXPECT_EQ(p.speed, 0.04f);
}

TEST_F(WalkingTest, ShiftStartsRunningOnlyAboveFiveAndItsReleaseStopsIt) {
  Player& p = Game().player;
  p.stamina = 5.0f;
  Script("0 key down LShift\n40 key up LShift\n");
  game_.Tick();
  EXPECT_EQ(p.running, 0);
  EXPECT_EQ(p.speed, 0.04f);
  game_.Tick();  // 5.2 now: above 5.0
  EXPECT_EQ(p.running, 1);
  EXPECT_EQ(p.speed, 0.1f);
  game_.Tick();  // released
  EXPECT_EQ(p.running, 0);
}

}  // namespace
