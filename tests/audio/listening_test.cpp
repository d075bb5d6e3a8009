// The engine heard through the offline device: loudness laws, pan, loops, resampling,
// gain ramps and the end of a once-played sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audio/limiter.h"
#include "audio/mixer.h"
#include "audio/volume_table.h"
#include "sound_test_support.h"

namespace {

constexpr int32_t kRate = 48000;

class Listening : public OfflineEngineTest {};

TEST_F(Listening, FullScaleSineAtVolumeFiftyIsSixPointZeroThreeDecibelsDown) {
  int32_t sound = SoundLoadDecoded(-1, Sine(1000.0, kRate, kRate));
  ASSERT_NE(sound, 0);
  ASSERT_EQ(SoundPlay(sound, 1, 50), 1);
  std::vector<float> heard = Listen(500);
  const double full = std::sqrt(0.5);  // RMS of a full-scale sine
  for (int32_t channel : {0, 1}) {
    const double db = 20.0 * std::log10(Rms(Channel(heard, channel)) / full);
    EXPECT_NEAR(db, -6.03, 0.005) << channel;
  }
}

TEST_F(Listening, VolumeAndPanLawsHoldOnTheOutput) {
  // Half scale, so that a replay's fading old wave and the new one stay within full scale.
  int32_t sound = SoundLoadDecoded(-1, Constant(0.5, kRate, 1000));
  ASSERT_NE(sound, 0);
  for (int32_t volume : {100, 75, 30, 10, 1}) {
    for (int32_t pan : {0, 50, -20, 99}) {
      SoundSetPan(sound, pan);
      ASSERT_EQ(SoundPlay(sound, 1, volume), 1);
      std::vector<float> heard = Listen(10);  // the previous round's wave fades out first
      const double level = (VolumeTable()[static_cast<size_t>(volume)] - 10000) / 2000.0;
      const double far = (VolumeTable()[static_cast<size_t>(100 - std::abs(pan))] - 10000) / 2000.0;
      const double left = 0.5 * std::pow(10.0, level + (pan > 0 ? far : 0.0));
      const double right = 0.5 * std::pow(10.0, level + (pan < 0 ? far : 0.0));
      EXPECT_NEAR(heard[800], left, left * 1e-5) << volume << " " << pan;
      EXPECT_NEAR(heard[801], right, right * 1e-5) << volume << " " << pan;
    }
  }
}

TEST_F(Listening, PanHundredSilencesTheLeftChannelAndMinusHundredTheRight) {
  int32_t sound = SoundLoadDecoded(-1, Sine(440.0, 44100, 44100, 2));
  ASSERT_EQ(SoundSetPan(sound, 100), 1);
  ASSERT_EQ(SoundPlay(sound, 1, 100), 1);
  std::vector<float> heard = Listen(200);
  EXPECT_EQ(Rms(Channel(heard, 0)), 0.0);
  EXPECT_NEAR(Rms(Channel(heard, 1)), std::sqrt(0.5), 0.01);

  ASSERT_EQ(SoundSetPan(sound, -100), 1);
  Listen(20);  // the ramp
  heard = Listen(200);
  EXPECT_EQ(Rms(Channel(heard, 1)), 0.0);
  EXPECT_NEAR(Rms(Channel(heard, 0)), std::sqrt(0.5), 0.01);
}

// A loop of exactly 100 cycles, resampled from 44.1 kHz: the output must follow one unbroken
// sine across every wrap. A sample skipped or repeated at the wrap shifts the phase by a
// sample's worth and shows as an error far above the interpolation's.
TEST_F(Listening, LoopedVoiceWrapsWithoutADiscontinuity) {
  const double hz = 441.0;
  const int64_t loopFrames = 10000;  // 100 cycles at 44.1 kHz
  int32_t sound = SoundLoadDecoded(-1, Sine(hz, 44100, loopFrames));
  ASSERT_EQ(SoundPlay(sound, 1, 100), 1);
  std::vector<float> left = Channel(Listen(1000), 0);  // more than four wraps
  double worst = 0.0;
  for (size_t i = 0; i < left.size(); ++i) {
    const double ideal = std::sin(kTwoPi * hz * static_cast<double>(i) / kRate);
    worst = std::max(worst, std::abs(left[i] - ideal));
  }
  EXPECT_LT(worst, 2e-3);
  const double slope = kTwoPi * hz / kRate;  // the sine's largest step per sample
  EXPECT_LT(LargestJump(left), slope * 1.01);
}

TEST_F(Listening, EqualRateLoopRepeatsTheSoundSampleForSample) {
  int32_t sound = SoundLoadDecoded(
      -1, MakeSound(kRate, 1, 7, [](int64_t i, int32_t) { return 0.1 * static_cast<double>(i); }));
  ASSERT_EQ(SoundPlay(sound, 1, 100), 1);
  std::vector<float> left = Channel(Listen(1), 0);
  ASSERT_EQ(left.size(), 48u);
  for (size_t i = 0; i < left.size(); ++i) EXPECT_FLOAT_EQ(left[i], 0.1f * (i % 7)) << i;
}

// Frequency from the times of rising zero crossings, interpolated between samples.
double MeasureHz(const std::vector<float>& samples, int32_t rate) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) {
    if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
      const double at = (i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]);
      if (first < 0.0) first = at;
      last = at;
      ++crossings;
    }
  }
  return (crossings - 1) * rate / (last - first);
}

TEST_F(Listening, ToneAt22050HertzStillMeasures440HertzAt48000) {
  int32_t sound = SoundLoadDecoded(-1, Sine(440.0, 22050, 22050 * 2));
  ASSERT_EQ(SoundPlay(sound, 0, 100), 1);
  std::vector<float> left = Channel(Listen(1500), 0);
  EXPECT_NEAR(MeasureHz(left, kRate), 440.0, 0.01);
  // Heard for exactly its length: 2 s of source at any rate is 2 s of output.
  EXPECT_EQ(SoundIsPlaying(sound), 1);
  Listen(505);
  EXPECT_EQ(SoundIsPlaying(sound), 0);
}

TEST_F(Listening, MonoAndStereoSourcesAtOddRatesKeepTheirPitch) {
  for (int32_t rate : {8000, 11025, 96000, 192000}) {
    for (int32_t channels : {1, 2}) {
      int32_t sound = SoundLoadDecoded(-1, Sine(300.0, rate, rate, channels, 0.5));
      ASSERT_EQ(SoundPlay(sound, 1, 100), 1);
      std::vector<float> heard = Listen(500);
      EXPECT_NEAR(MeasureHz(Channel(heard, 0), kRate), 300.0, 0.02) << rate << " " << channels;
      EXPECT_NEAR(MeasureHz(Channel(heard, 1), kRate), 300.0, 0.02) << rate << " " << channels;
      SoundFree(sound);
    }
  }
}

TEST_F(Listening, VolumeAndPanStepsRampWithoutAJumpLargerThanTheRampAllows) {
  int32_t sound = SoundLoadDecoded(-1, Constant(0.8, 44100, 44100));
  ASSERT_EQ(SoundPlay(sound, 1, 100), 1);
  Listen(10);
  const double allowed = 0.8 / GainRampFrames(kRate) * 1.001;

  ASSERT_EQ(SoundSetVolume(sound, 0), 1);
  std::vector<float> left = Channel(Listen(20), 0);
  EXPECT_LT(LargestJump(left), allowed);
  EXPECT_GT(left.front(), 0.75f);  // it did start from full...
  EXPECT_EQ(left.back(), 0.0f);    // ...and reached silence

  ASSERT_EQ(SoundSetVolume(sound, 100), 1);
  ASSERT_EQ(SoundSetPan(sound, -100), 1);
  std::vector<float> heard = Listen(20);
  EXPECT_LT(LargestJump(Channel(heard, 0)), allowed);
  EXPECT_LT(LargestJump(Channel(heard, 1)), allowed);
  EXPECT_NEAR(heard[heard.size() - 2], 0.8f, 1e-6f);
  EXPECT_EQ(heard.back(), 0.0f);
}

// A full-scale sine is interrupted at its crest, the worst place to cut a wave. Whatever
// interrupts it, no step between neighbouring samples may exceed the sine's own steepest
// step plus one ramp step, and a stopped wave is silent once one ramp has passed.
TEST_F(Listening, StopFreeReloadAndReplayOfALoudSineFadeOutWithoutAClick) {
  const double hz = 225.0;  // 480 frames (10 ms) are 2.25 cycles: the crest
  const int32_t fade = GainRampFrames(kRate);
  const double slope = kTwoPi * hz / kRate;
  enum class Cut { kStop, kStopAll, kFree, kReload, kReplay };
  for (Cut cut : {Cut::kStop, Cut::kStopAll, Cut::kFree, Cut::kReload, Cut::kReplay}) {
    const auto name = static_cast<int>(cut);
    // A replay overlaps the old wave with the new: at half scale the two stay within full
    // scale, where the limiter leaves the sum as it is.
    const double amplitude = cut == Cut::kReplay ? 0.5 : 1.0;
    ASSERT_EQ(SoundLoadDecoded(7, Sine(hz, kRate, kRate, 1, amplitude)), 1);
    ASSERT_EQ(SoundPlay(7, 1, 100), 1);
    std::vector<float> left = Channel(Listen(10), 0);
    ASSERT_GT(left.back(), 0.999f * amplitude) << name;
    switch (cut) {
      case Cut::kStop:
        SoundStop(7);
        EXPECT_EQ(SoundIsPlaying(7), 0) << name;  // at once, while the wave still fades
        break;
      case Cut::kStopAll:
        SoundStop(-1);
        EXPECT_EQ(SoundIsPlaying(7), 0) << name;
        break;
      case Cut::kFree:
        SoundFree(7);
        EXPECT_EQ(SoundIsPlaying(7), 3) << name;
        break;
      case Cut::kReload:
        ASSERT_EQ(SoundLoadDecoded(7, Sine(hz, kRate, kRate)), 1);
        EXPECT_EQ(SoundIsPlaying(7), 0) << name;
        break;
      case Cut::kReplay:
        ASSERT_EQ(SoundPlay(7, 1, 100), 1);
        EXPECT_EQ(SoundIsPlaying(7), 1) << name;
        break;
    }
    const float before = left.back();
    left = Channel(Listen(20), 0);
    left.insert(left.begin(), before);
    // A replay adds the new wave, rising from zero, to the old one fading out.
    const double allowed = amplitude * ((cut == Cut::kReplay ? 2.0 : 1.0) * slope + 1.0 / fade);
    EXPECT_LT(LargestJump(left), allowed * 1.01) << name;
    EXPECT_GT(left[1], 0.99f * amplitude) << name;  // the old wave is still there at first...
    for (size_t i = static_cast<size_t>(fade) + 1; i < left.size(); ++i) {
      const double alone =
          cut == Cut::kReplay ? amplitude * std::sin(slope * static_cast<double>(i - 1)) : 0;
      ASSERT_NEAR(left[i], alone, 1e-5) << name << " frame " << i;  // ...and gone after a ramp
    }
    SoundFree(7);
  }
}

TEST_F(Listening, OncePlayedSoundEndsAfterItsLastSampleAndFallsSilent) {
  int32_t sound = SoundLoadDecoded(-1, Constant(0.5, kRate, 4800));  // 100 ms
  ASSERT_EQ(SoundPlay(sound, 0, 100), 1);
  std::vector<float> heard = Listen(50);
  EXPECT_EQ(SoundIsPlaying(sound), 1);
  heard = Listen(60);
  EXPECT_EQ(SoundIsPlaying(sound), 0);
  std::vector<float> left = Channel(heard, 0);
  ASSERT_EQ(left.size(), 2880u);
  EXPECT_EQ(left[2399], 0.5f);  // the last sample of the sound...
  EXPECT_EQ(left[2400], 0.0f);  // ...and nothing after it
  EXPECT_EQ(Rms(Channel(Listen(50), 0)), 0.0);
  EXPECT_EQ(SoundFromNumber(sound), 1);  // ended, still loaded
}

TEST_F(Listening, MixOfSeveralVoicesWithinFullScaleIsTheirExactSum) {
  int32_t a = SoundLoadDecoded(-1, Constant(0.7, kRate, 100));
  int32_t b = SoundLoadDecoded(-1, Constant(0.6, kRate, 100));
  int32_t c = SoundLoadDecoded(-1, Constant(-0.5, kRate, 100));
  SoundPlay(a, 1, 100);
  SoundPlay(b, 1, 100);
  SoundPlay(c, 1, 100);
  std::vector<float> heard = Listen(10);
  EXPECT_NEAR(heard[100], 0.8f, 1e-6f);  // 0.7 + 0.6 - 0.5, although 0.7 + 0.6 would not fit
}

// Two full-scale sines in phase sum to twice full scale. A clip would flatten a third of
// every cycle; the limiter turns the whole mix down at the first crest and holds it there,
// so what is heard after it is the sum at half gain: one clean full-scale sine. Once the
// sum fits again, the gain returns to exactly one.
TEST_F(Listening, SumsPastFullScaleAreTurnedDownNotClippedAndTheGainComesBack) {
  const double hz = 200.0;  // the first crest is frame 60
  int32_t a = SoundLoadDecoded(-1, Sine(hz, kRate, kRate));
  int32_t b = SoundLoadDecoded(-1, Sine(hz, kRate, kRate));
  SoundPlay(a, 1, 100);
  SoundPlay(b, 1, 100);
  std::vector<float> left = Channel(Listen(300), 0);
  double worst = 0.0;
  for (size_t i = 61; i < left.size(); ++i) {
    const double alone = std::sin(kTwoPi * hz * static_cast<double>(i) / kRate);
    worst = std::max(worst, std::abs(left[i] - alone));
  }
  EXPECT_LT(worst, 1e-5);
  EXPECT_LE(*std::max_element(left.begin(), left.end()), 1.0f);

  SoundStop(b);  // the sum fits again: after the hold and the release, unity gain
  const uint32_t settle = kLimiterHoldMs + kLimiterReleaseMs / 2 + 20;
  Listen(settle);
  left = Channel(Listen(100), 0);
  const double from = (300.0 + settle) * kRate / 1000;  // frames of the sine already heard
  for (size_t i = 0; i < left.size(); ++i) {
    const double at = from + static_cast<double>(i);
    ASSERT_NEAR(left[i], std::sin(kTwoPi * hz * at / kRate), 1e-6) << i;
  }
}

}  // namespace
