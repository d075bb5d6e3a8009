// Headphones switched on and off while a placed sound plays: each way crossfades into the
// other over one gain ramp, so that no switch clicks, and a set never read cannot be switched
// on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "audio/hrtf_ring.h"
#include "audio/mixer.h"
#include "sound_test_support.h"

namespace {

constexpr int32_t kRate = 48000;

double Peak(const std::vector<float>& samples) {
  double peak = 0.0;
  for (float s : samples) peak = std::max(peak, std::abs(static_cast<double>(s)));
  return peak;
}

class HeadphonesSwitch : public OfflineEngineTest {};

TEST_F(HeadphonesSwitch, EachSwitchCrossfadesWithoutAJump) {
  EXPECT_FALSE(SoundSetHeadphones(true));  // no set read yet: nothing to switch to
  EXPECT_FALSE(SoundHeadphonesOn());
  const int32_t tone = SoundLoadDecoded(kNewHandle, Sine(440.0, kRate, kRate, 1, 0.2));
  ASSERT_NE(tone, 0);
  ASSERT_EQ(SoundSetDirection(tone, 60.0f), 1);
  ASSERT_EQ(SoundSetPan(tone, -40), 1);
  ASSERT_EQ(SoundPlay(tone, kLooped, 100), 1);
  const std::vector<float> stereo = Listen(200);
  std::string why;
  std::optional<HrtfRing> set = LoadHrtfRing(QUELMIRE_TEST_HRTF, SoundOutputRate(), why);
  ASSERT_TRUE(set && SoundUseHeadphones(*set, why)) << why;
  Listen(200);  // the ring fills
  const std::vector<float> ring = Listen(200);
  ASSERT_TRUE(SoundHeadphonesOn());
  // While they overlap (the ring is heard a block late) each way's own steps add up, and
  // the ramps add each way's peak spread over one ramp. A switch taken at once steps by
  // the two ways' whole difference, many times more.
  double own = 0.0;
  for (int32_t channel : {0, 1}) {
    own =
        std::max(own, LargestJump(Channel(stereo, channel)) + LargestJump(Channel(ring, channel)));
  }
  const double ramp = (Peak(stereo) + Peak(ring)) / GainRampFrames(kRate);
  float last[2] = {ring[ring.size() - 2], ring.back()};
  for (bool on : {false, true, false, true, false}) {
    SCOPED_TRACE(on);
    ASSERT_TRUE(SoundSetHeadphones(on));
    EXPECT_EQ(SoundHeadphonesOn(), on);
    const std::vector<float> heard = Listen(60);
    for (int32_t channel : {0, 1}) {
      std::vector<float> side = Channel(heard, channel);
      side.insert(side.begin(), last[channel]);
      EXPECT_LE(LargestJump(side), (own + ramp) * 1.01) << "channel " << channel;
      last[channel] = side.back();
    }
  }
  // Off: once the ring's tails are gone, the stereo way alone.
  Listen(300);
  const std::vector<float> after = Listen(200);
  EXPECT_NEAR(Peak(after), Peak(stereo), 1e-4);
}

}  // namespace
