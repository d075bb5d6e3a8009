// Both game threads starting cues into the one ring at once while the main thread re-mixes
// it and the output pulls the mix: each thread walks the ring from slot 1 with its own
// cursor, and every slot ends holding one live sound of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "host/audio/offline_audio_output.h"
#include "tests/game/game_test_support.h"

namespace {

TEST(CueThreads, TwoThreadsStartCuesWhileTheMainThreadReMixes) {
  TestAssets assets;
  EventLog log;
  OfflineAudioOutput output(8000);
  InstallAudioOutput(&output);
  ASSERT_NE(SoundInit(), 0);
  ResetGame();
  Game().player.x = 75;
  Game().player.y = 75;

  constexpr int32_t kCues = 600;  // more than twice round the ring
  std::atomic<int32_t> running{2};
  auto starter = [&](bool stalker, float x) {
    ThreadVars().isStalker = stalker ? 1 : 0;
    for (int32_t i = 0; i < kCues; ++i) {
      PlayCue(stalker ? "vorlent/appearClose" : "physics/note", stalker ? 1 : 0, x, 80, 0);
    }
    running.fetch_sub(1);
  };
  std::thread first(starter, false, 70.0f);
  std::thread second(starter, true, 75.0f);
  while (running.load() > 0) {
    UpdateCues();
    output.Advance(1);
  }
  first.join();
  second.join();

  std::vector<CueReport> cues = log.Cues();
  ASSERT_EQ(cues.size(), 2u * kCues);
  for (bool stalker : {false, true}) {
    int32_t expected = 1;
    for (const CueReport& cue : cues) {
      if (cue.stalkerThread != stalker) continue;
      EXPECT_EQ(cue.slot, expected);
      expected = expected == 256 ? 0 : expected + 1;
    }
  }
  std::set<int32_t> sounds;
  for (int32_t i = 0; i <= 256; ++i) {
    int32_t sound = Game().cueSlots[i].sound;
    EXPECT_NE(SoundFromNumber(sound), 0) << "slot " << i;
    sounds.insert(sound);
  }
  EXPECT_EQ(sounds.size(), 257u);

  SoundShutdown();
  InstallAudioOutput(nullptr);
}

}  // namespace
