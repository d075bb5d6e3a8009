// Listening through the offline output: where cues come out, and when footsteps do.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "game/game.h"
#include "game/state.h"
#include "host/audio/offline_audio_output.h"
#include "platform/platform.h"
#include "tests/game/game_test_support.h"

namespace {

struct ChannelEnergy {
  double left = 0, right = 0;
};

class ListeningTest : public GrassFieldTest {
 protected:
  // Plays a positional cue at (x, y) and sums the square of what comes out in 120 ms.
  ChannelEnergy Listen(float x, float y) {
    const std::vector<float>& samples = game_.host().audio().Samples();
    size_t from = samples.size();
    PlayCue("physics/note", 0, x, y, 0);
    DelayMs(120);
    ChannelEnergy energy;
    for (size_t i = from; i + 1 < samples.size(); i += 2) {
      energy.left += static_cast<double>(samples[i]) * samples[i];
      energy.right += static_cast<double>(samples[i + 1]) * samples[i + 1];
    }
    DelayMs(200);  // let it finish before the next one
    return energy;
  }
};

TEST_F(ListeningTest, ACueToThePlayersRightIsLouderInTheRightChannel) {
  ChannelEnergy right = Listen(85, 75);
  EXPECT_GT(right.right, 0.1);
  EXPECT_GT(right.right, 100 * right.left);
  ChannelEnergy left = Listen(65, 75);
  EXPECT_GT(left.left, 100 * left.right);
}

TEST_F(ListeningTest, ACueBehindIsQuieterThanTheSameInFront) {
  Game().player.heading = 90;  // facing +x
  ChannelEnergy front = Listen(85, 75);
  ChannelEnergy behind = Listen(65, 75);
  double frontAll = front.left + front.right, behindAll = behind.left + behind.right;
  EXPECT_GT(behindAll, 0.0);
  EXPECT_GT(frontAll, 1.5 * behindAll);
  // Both straight ahead or behind: the channels balance.
  EXPECT_NEAR(front.left / front.right, 1.0, 0.05);
  EXPECT_NEAR(behind.left / behind.right, 1.0, 0.05);
}

TEST_F(ListeningTest, FootstepsOfAWalkComeEvery31Ticks) {
  ASSERT_TRUE(game_.host().LoadInputScript("0 key down W\n").empty());
  game_.Ticks(100);
  const std::vector<float>& samples = game_.host().audio().Samples();
  const int32_t rate = game_.host().audio().rate();
  // Onsets: a sound after at least 20 ms of silence, in ms of virtual time.
  std::vector<int64_t> onsets;
  int64_t silentFrames = rate;  // silence before the start
  for (size_t frame = 0; 2 * frame + 1 < samples.size(); ++frame) {
    bool sounding = std::fabs(samples[2 * frame]) + std::fabs(samples[2 * frame + 1]) > 1e-4f;
    if (sounding && silentFrames >= rate / 50) {
      onsets.push_back(static_cast<int64_t>(frame) * 1000 / rate);
    }
    silentFrames = sounding ? 0 : silentFrames + 1;
  }
  // Ticks every 17 ms: the 31st, 62nd and 93rd tick.
  std::vector<int64_t> expected = {31 * 17, 62 * 17, 93 * 17};
  EXPECT_EQ(onsets, expected);
}

}  // namespace
