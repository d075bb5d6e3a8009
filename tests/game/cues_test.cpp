// The cue ring: slot order per thread, the range limit, files that fail to load, recycling,
// and the per-tick re-mix of live cues and of the stalker's sound.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "runtime/number_text.h"
#include "tests/game/game_test_support.h"

namespace {

class CuesTest : public testing::Test {
 protected:
  void SetUp() override {
    Player& p = Game().player;
    p.x = 75;
    p.y = 75;
  }

  TestAssets assets_;
  EventLog log_;
  HeadlessGame game_;
};

TEST_F(CuesTest, TheRingStartsAtSlotOneAndComesToSlotZeroAtThe257th) {
  for (int32_t i = 0; i < 258; ++i) PlayCue("steps/fence", 1, 75, 75, 0);
  std::vector<CueReport> cues = log_.Cues();
  ASSERT_EQ(cues.size(), 258u);
  EXPECT_EQ(cues[0].slot, 1);
  EXPECT_EQ(cues[255].slot, 256);
  EXPECT_EQ(cues[256].slot, 0);
  EXPECT_EQ(cues[257].slot, 1);
  // The recycled slot's earlier sound was stopped and freed, the newer ones live on.
  EXPECT_EQ(SoundFromNumber(cues[0].sound), 0);
  EXPECT_NE(SoundFromNumber(cues[1].sound), 0);
  EXPECT_NE(SoundFromNumber(cues[257].sound), 0);
  EXPECT_EQ(Game().cueSlots[1].sound, cues[257].sound);
}

TEST_F(CuesTest, A99UnitSourcePlaysAndA100UnitOneLeavesTheCursorAlone) {
  PlayCue("physics/note", 0, 75 + 99, 75, 0);
  PlayCue("physics/note", 0, 75 + 100, 75, 0);
  PlayCue("physics/note", 0, 75, 75 - 99.9f, 0);  // 99 once truncated
  std::vector<CueReport> cues = log_.Cues();
  ASSERT_EQ(cues.size(), 2u);
  EXPECT_EQ(cues[0].slot, 1);
  EXPECT_EQ(cues[1].slot, 2);
  ASSERT_EQ(log_.Drops().size(), 1u);
  EXPECT_EQ(log_.Drops()[0].distance, 100);
  EXPECT_EQ(Game().cueSlots[3].sound, 0);
}

TEST_F(CuesTest, AMissingFileLeavesSoundZeroAndNothingBreaks) {
  assets_.Remove("assets/physics/note.wav");
  PlayCue("physics/note", 0, 80, 75, 0);
  ASSERT_EQ(log_.Cues().size(), 1u);
  EXPECT_EQ(log_.Cues()[0].sound, 0);
  EXPECT_EQ(Game().cueSlots[1].sound, 0);
  EXPECT_EQ(Game().cueSlots[1].name, "physics/note");
  game_.Ticks(2);  // the re-mix skips it
  // Round the ring again: the empty slot is recycled without anything to free.
  for (int32_t i = 0; i < 257; ++i) PlayCue("steps/fence", 1, 75, 75, 0);
  EXPECT_NE(SoundFromNumber(Game().cueSlots[1].sound), 0);
}

TEST_F(CuesTest, NumberedNamesLoadFromTheAssetFolderWhateverItsCase) {
  PlayCue("ambience/amb" + IntToString(11), 0, 80, 80, 0);
  PlayCue("terrain/grass" + IntToString(3), 1, 75, 75, 0);
  std::vector<CueReport> cues = log_.Cues();
  ASSERT_EQ(cues.size(), 2u);
  EXPECT_EQ(cues[0].name, "ambience/amb11");
  EXPECT_NE(cues[0].sound, 0);  // "Assets/ambience/amb11.wav" found in "assets/"
  EXPECT_NE(cues[1].sound, 0);
  EXPECT_EQ(SoundIsPlaying(cues[1].sound), 1);
}

TEST_F(CuesTest, EachTickReMixesLiveCuesButNotThoseOutOfRange) {
  GameGlobals& g = Game();
  PlayCue("ambience/amb1", 0, 100, 75, 0);  // 25 toward +x: full right
  PlayCue("steps/fence", 1, 75, 75, 0);
  int32_t positional = g.cueSlots[1].sound, centred = g.cueSlots[2].sound;
  EXPECT_EQ(LevelOf(positional), LevelForVolume(62));  // 100 - 37.5 = 62.5, to even

  g.player.x = 85;  // 15 away now
  SoundSetVolume(centred, 5);
  game_.Tick();
  EXPECT_EQ(LevelOf(positional), LevelForVolume(78));  // 100 - 22.5 = 77.5, to even
  EXPECT_EQ(LevelOf(centred), LevelForVolume(100));

  g.player.x = 0;  // 100 away from the positional one: it keeps its last mix
  game_.Tick();
  EXPECT_EQ(LevelOf(positional), LevelForVolume(78));
}

TEST_F(CuesTest, TheStalkersSoundIsMixedWithItsFalloffAndSilentFrom40Units) {
  GameGlobals& g = Game();
  LoadGameSounds();
  SoundPlay(g.stalkerSound, 1, 100);
  g.stalker.active = 1;
  g.stalker.x = 75;
  g.stalker.y = 95;  // 20 toward +y: straight along y the mix hears it behind
  game_.Tick();
  EXPECT_EQ(LevelOf(g.stalkerSound), LevelForVolume(33));  // 50 / 1.5
  g.stalker.x = 55;                                        // 20 toward -x, to the left
  g.stalker.y = 75;
  game_.Tick();
  EXPECT_EQ(LevelOf(g.stalkerSound), LevelForVolume(50));
  g.stalker.x = 75;
  g.stalker.y = 115;  // 40 away
  game_.Tick();
  EXPECT_EQ(LevelOf(g.stalkerSound), LevelForVolume(0));
  EXPECT_EQ(SoundIsPlaying(g.stalkerSound), 1);
  g.stalker.active = 0;  // absent: left as it is
  g.stalker.x = 75;
  g.stalker.y = 80;
  game_.Tick();
  EXPECT_EQ(LevelOf(g.stalkerSound), LevelForVolume(0));
}

}  // namespace
