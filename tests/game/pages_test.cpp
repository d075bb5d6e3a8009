// Pages and ambient noises over many ticks on the headless host: the hint rhythm, the
// page's own announcement, and the ambient noise every 101st tick.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/state.h"
#include "runtime/random.h"
#include "tests/game/game_test_support.h"

namespace {

using PagesTest = GrassFieldTest;

TEST_F(PagesTest, AHintSoundsAtOnceAt99UnitsThenEvery251stTick) {
  LayPage(1, 0, 75);
  Place(99, 75);
  game_.Tick();
  ASSERT_EQ(Count("physics/note"), 1u);
  CueReport hint = log_.CuesNamed("physics/note")[0];
  EXPECT_EQ(hint.placement, kPositioned);
  EXPECT_EQ(hint.x, 0.0f);
  game_.Ticks(250);
  EXPECT_EQ(Count("physics/note"), 1u);
  game_.Tick();  // tick 252
  EXPECT_EQ(Count("physics/note"), 2u);
  game_.Ticks(251);
  EXPECT_EQ(Count("physics/note"), 3u);
}

TEST_F(PagesTest, OutOfRangeTheHintTimerStandsStill) {
  LayPage(1, 0, 75);
  Place(100, 75);
  game_.Ticks(10);
  EXPECT_EQ(Count("physics/note"), 0u);
  EXPECT_EQ(Game().pages[1].cueTimer, 0);

  Place(99, 75);
  game_.Ticks(10);  // a hint at once, the timer at 10
  EXPECT_EQ(Count("physics/note"), 1u);
  Place(120, 75);
  game_.Ticks(50);
  EXPECT_EQ(Game().pages[1].cueTimer, 10);
  Place(99, 75);
  game_.Ticks(241);
  EXPECT_EQ(Count("physics/note"), 1u);
  game_.Tick();  // the rhythm resumes where it stood
  EXPECT_EQ(Count("physics/note"), 2u);
}

TEST_F(PagesTest, APageAnnouncesItselfOncePerApproach) {
  LayPage(3, 75, 77);
  game_.Ticks(4);
  std::vector<CueReport> own = log_.CuesNamed("pages/page3");
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].placement, kCentred);
  EXPECT_EQ(own[0].volume, 100);

  Place(75, 74);  // exactly 3 away: out of reach
  game_.Tick();
  EXPECT_EQ(Game().pageAnnounced, 0);
  Place(75, 75);
  game_.Tick();
  EXPECT_EQ(Count("pages/page3"), 2u);
}

TEST_F(PagesTest, ATakenPageUnderfootKeepsTheAnnouncementSpent) {
  LayPage(1, 75, 77);
  ASSERT_TRUE(game_.host().LoadInputScript("20 key down Space\n40 key up Space\n").empty());
  game_.Ticks(3);
  EXPECT_EQ(Game().pagesCollected, 1);
  EXPECT_EQ(Game().pageAnnounced, 1);
  size_t hints = Count("physics/note");
  Place(75, 74.5f);  // 2.5 from the taken page
  game_.Ticks(300);
  EXPECT_EQ(Game().pageAnnounced, 1);
  EXPECT_EQ(Count("physics/note"), hints);  // a taken page gives no hint
  EXPECT_EQ(Count("pages/page1"), 1u);
  Place(75, 74);
  game_.Tick();
  EXPECT_EQ(Game().pageAnnounced, 0);
}

TEST_F(PagesTest, AnAmbientNoiseComesEvery101stTickFromDrawsOfYThenXThenN) {
  const std::vector<int32_t> maxima = {100, 256, 150, 100, 256, 150, 100, 256, 10};
  int32_t seed = SeedFor(maxima, [](const std::vector<int32_t>& v) {
    double dx = v[5] - 75.0, dy = v[2] - 75.0;
    return dx * dx + dy * dy < 90.0 * 90.0;
  });
  std::vector<int32_t> draws = DrawsFrom(seed, maxima);
  RandomSeed(seed);
  game_.Ticks(100);
  EXPECT_TRUE(log_.Cues().empty());
  game_.Tick();
  std::vector<CueReport> cues = log_.Cues();
  ASSERT_EQ(cues.size(), 1u);
  EXPECT_EQ(cues[0].name, "ambience/amb" + std::to_string(draws[8] + 1));
  EXPECT_EQ(cues[0].x, static_cast<float>(draws[5]));
  EXPECT_EQ(cues[0].y, static_cast<float>(draws[2]));
  EXPECT_NE(cues[0].sound, 0);
  uint32_t next = NextWord();
  EXPECT_EQ(next, WordAfter(seed, maxima));
}

TEST_F(PagesTest, AnAmbientNoiseOutOfRangeIsDroppedAndTheTimerStillRestarts) {
  Place(149.5f, 149.5f);
  const std::vector<int32_t> maxima = {100, 256, 150, 100, 256, 150, 100, 256, 10};
  SeedFor(maxima, [](const std::vector<int32_t>& v) {
    double dx = v[5] - 149.5, dy = v[2] - 149.5;
    return dx * dx + dy * dy >= 100.0 * 100.0;
  });
  game_.Ticks(101);
  EXPECT_TRUE(log_.Cues().empty());
  ASSERT_EQ(log_.Drops().size(), 1u);
  EXPECT_EQ(Game().ambienceCounter, 0);
  game_.Ticks(101);
  EXPECT_EQ(log_.Cues().size() + log_.Drops().size(), 2u);
}

}  // namespace
