// The master volume heard on the output: each step lands at its level, glides there
// without a click, and never goes past the mix as it is.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/mixer.h"
#include "sound_test_support.h"

namespace {

constexpr int32_t kRate = 48000;
constexpr float kHalf = 0.5f;  // the constant heard: a step shows as a jump in it

class MasterVolume : public OfflineEngineTest {};

TEST_F(MasterVolume, EachStepReachesItsLevelOverOneRampWithoutAJump) {
  ASSERT_NE(SoundLoadDecoded(3, Constant(kHalf, kRate, 1000)), 0);
  ASSERT_EQ(SoundPlay(3, kLooped, 100), 1);
  std::vector<float> heard = Listen(10);
  ASSERT_EQ(heard.back(), kHalf);
  // Down in the game's 3 dB steps to its floor, a jump back to full, and asked past full.
  struct Step {
    int32_t levelCb;
    double heardDb;
  };
  std::vector<Step> steps;
  for (int32_t db = -3; db >= -30; db -= 3) steps.push_back({db * 100, double(db)});
  steps.push_back({0, 0.0});
  steps.push_back({-1500, -15.0});
  steps.push_back({+600, 0.0});  // never louder than the mix as it is
  double was = 0.0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.levelCb);
    const float before = heard.back();
    SoundSetMasterLevel(step.levelCb);
    std::vector<float> left = Channel(heard = Listen(10), 0);
    left.insert(left.begin(), before);
    const double change =
        kHalf * std::abs(std::pow(10.0, step.heardDb / 20.0) - std::pow(10.0, was / 20.0));
    EXPECT_LE(LargestJump(left), change / GainRampFrames(kRate) * 1.01 + 1e-7);
    const double expected = kHalf * std::pow(10.0, step.heardDb / 20.0);
    EXPECT_NEAR(heard.back(), expected, expected * 1e-5);
    EXPECT_EQ(heard[heard.size() - 2], heard.back());  // both channels alike
    // The level is reached at the ramp's end and held from there on.
    EXPECT_EQ(left[static_cast<size_t>(GainRampFrames(kRate))], left.back());
    was = step.heardDb;
  }
  // Back at 0 dB the mix is exactly what it was before any change.
  EXPECT_EQ(heard.back(), kHalf);
}

TEST_F(MasterVolume, ShutdownReturnsToTheMixAsItIs) {
  SoundSetMasterLevel(-3000);
  SoundShutdown();
  ASSERT_NE(SoundInit(), 0);
  ASSERT_NE(SoundLoadDecoded(3, Constant(kHalf, kRate, 1000)), 0);
  ASSERT_EQ(SoundPlay(3, kLooped, 100), 1);
  std::vector<float> heard = Listen(10);
  EXPECT_EQ(heard.front(), kHalf);
  EXPECT_EQ(heard.back(), kHalf);
}

}  // namespace
