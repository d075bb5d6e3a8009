// The mixer's voice loop against a plain per-frame reference.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "audio/mix_kernels_x86.h"
#include "audio/mixer.h"
#include "each_vector_loop.h"
#include "sound_test_support.h"

namespace {

SoundPcm Pcm(const DecodedSound& decoded) {
  SoundPcm pcm;
  EXPECT_TRUE(MakeSoundPcm(decoded, pcm));
  return pcm;
}

// What one output frame should be: Hermite over the four taps around the position, reading
// silence outside a once-played sound and wrapping around a looped one.
float Reference(const std::vector<float>& samples, int64_t frames, uint64_t position,
                bool looping) {
  auto tap = [&](int64_t k) {
    if (looping) return samples[static_cast<size_t>(((k % frames) + frames) % frames)];
    return k >= 0 && k < frames ? samples[static_cast<size_t>(k)] : 0.0f;
  };
  const auto whole = static_cast<int64_t>(position >> kFractionBits);
  const double t = static_cast<double>(position & (kOneFrame - 1)) * 0x1p-32;
  return Hermite(tap(whole - 1), tap(whole), tap(whole + 1), tap(whole + 2), static_cast<float>(t));
}

VoiceRender Started(ChannelGains gains, bool looping) {
  VoiceRender render;
  render.gains = render.target = gains;
  render.looping = looping;
  render.ended = false;
  return render;
}

// One channel of an interleaved sound.
std::vector<float> ChannelOf(const DecodedSound& sound, int32_t channel) {
  std::vector<float> out;
  for (int64_t i = 0; i < sound.frames; ++i) {
    out.push_back(sound.samples[static_cast<size_t>(i * sound.channels + channel)]);
  }
  return out;
}

// Float and 16-bit storage, mono and stereo, sounds shorter than the taps and longer than
// a block, rates that take the equal-rate, the vector and the portable loops, once and
// looped: the mixed frames must be the reference's, frame for frame.
// Each of the loops this processor has is checked in turn.
class MixVoiceLoops : public EachVectorLoop {};

INSTANTIATE_TEST_SUITE_P(Loops, MixVoiceLoops,
                         ::testing::Values(VectorLoops::kPortable, VectorLoops::kAvx2,
                                           VectorLoops::kAvx512),
                         VectorLoopsName);

TEST_P(MixVoiceLoops, EveryPathMatchesThePerFrameReferenceAcrossEndsAndWraps) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> noise(-32768, 32767);
  for (bool sixteenBits : {false, true}) {
    for (int32_t channels : {1, 2}) {
      for (int64_t length : {1, 2, 3, 5, 300, 1000, 4000}) {
        for (int32_t rate : {8000, 22050, 44100, 48000, 88200, 96000, 192000}) {
          for (bool looping : {false, true}) {
            DecodedSound decoded = MakeSound(rate, channels, length, [&](int64_t, int32_t) {
              return noise(random) / (sixteenBits ? 32768.0 : 32749.3);
            });
            decoded.bitsPerSample = sixteenBits ? 16 : 32;
            decoded.floatSource = !sixteenBits;
            SoundPcm pcm = Pcm(decoded);
            ASSERT_EQ(pcm.narrow, sixteenBits);
            const std::vector<float> sourceLeft = ChannelOf(decoded, 0);
            const std::vector<float> sourceRight = ChannelOf(decoded, channels - 1);
            VoiceRender render = Started({0.5f, 0.25f}, looping);
            const uint64_t step = ResampleStep(rate, 48000);
            float left[kMixBlockFrames] = {}, right[kMixBlockFrames] = {};
            uint64_t position = 0;
            for (int block = 0; block < 3; ++block) {
              std::fill_n(left, kMixBlockFrames, 0.0f);
              std::fill_n(right, kMixBlockFrames, 0.0f);
              MixVoice(pcm, render, step, kMixBlockFrames, left, right);
              for (int32_t i = 0; i < kMixBlockFrames; ++i, position += step) {
                if (looping) position %= static_cast<uint64_t>(length) << kFractionBits;
                const bool over = !looping && (position >> kFractionBits) >= uint64_t(length);
                const float l = over ? 0.0f : Reference(sourceLeft, length, position, looping);
                const float r = over ? 0.0f : Reference(sourceRight, length, position, looping);
                ASSERT_NEAR(left[i], l * 0.5f, 2e-6f)
                    << (sixteenBits ? "16-bit " : "float ") << channels << "ch " << length
                    << " frames " << rate << " Hz loop " << looping << " frame "
                    << block * kMixBlockFrames + i;
                ASSERT_NEAR(right[i], r * 0.25f, 2e-6f);
              }
            }
            const bool over = 3 * kMixBlockFrames * step >= static_cast<uint64_t>(length) << 32;
            EXPECT_EQ(render.ended, !looping && over) << length << " frames " << rate << " Hz";
          }
        }
      }
    }
  }
}

TEST(SoundPcm, SixteenBitStorageOnlyWhereItLosesNothing) {
  DecodedSound exact = Constant(0.25, 44100, 10);
  exact.bitsPerSample = 16;
  exact.floatSource = false;
  SoundPcm pcm = Pcm(exact);
  EXPECT_TRUE(pcm.narrow);
  EXPECT_EQ(pcm.left16[3], 8192);
  EXPECT_EQ(pcm.left16.size(), 10u + kPcmPadding);
  EXPECT_TRUE(pcm.left.empty());

  DecodedSound between = Constant(0.1, 44100, 10);  // not a multiple of 1/32768
  between.bitsPerSample = 16;
  between.floatSource = false;
  EXPECT_FALSE(Pcm(between).narrow);
  DecodedSound full = Constant(1.0, 44100, 10);  // +1.0 does not fit in 16 bits
  full.bitsPerSample = 16;
  full.floatSource = false;
  EXPECT_FALSE(Pcm(full).narrow);
  EXPECT_FALSE(Pcm(Constant(0.25, 44100, 10)).narrow);  // a float source stays float
}

TEST(MixVoice, OncePlayedVoiceLastsItsLengthAtTheDeviceRate) {
  SoundPcm pcm = Pcm(Constant(1.0, 44100, 44100));
  VoiceRender render = Started({1.0f, 1.0f}, false);
  const uint64_t step = ResampleStep(44100, 48000);
  int64_t heard = 0;
  std::vector<float> left(kMixBlockFrames), right(kMixBlockFrames);
  while (!render.ended) {
    std::fill(left.begin(), left.end(), 0.0f);
    MixVoice(pcm, render, step, kMixBlockFrames, left.data(), right.data());
    for (float s : left) heard += s != 0.0f;
  }
  EXPECT_NEAR(heard, 48000, 1);
}

TEST(TakeControl, APlayJumpsToItsLevelAndAChangeRampsTowardsIt) {
  VoiceRender render;
  VoiceControl control;
  control.levelCb = -2000;
  control.playing = true;
  control.starts = 1;
  TakeControl(render, control, 48000);
  EXPECT_FLOAT_EQ(render.gains.left, 0.1f);
  EXPECT_EQ(render.rampFrames, 0);
  EXPECT_FALSE(render.ended);

  control.panCb = 10000;
  TakeControl(render, control, 48000);
  EXPECT_FLOAT_EQ(render.gains.left, 0.1f);  // unchanged until frames are mixed
  EXPECT_EQ(render.target.left, 0.0f);
  EXPECT_EQ(render.rampFrames, GainRampFrames(48000));
  EXPECT_FLOAT_EQ(render.leftStep, -0.1f / GainRampFrames(48000));
  EXPECT_EQ(render.rightStep, 0.0f);

  TakeControl(render, control, 48000);  // nothing new: the ramp goes on as it was
  EXPECT_EQ(render.rampFrames, GainRampFrames(48000));

  StartFadeOut(render, 48000);  // a stop: both sides to silence, from where they are
  EXPECT_EQ(render.target.right, 0.0f);
  EXPECT_FLOAT_EQ(render.rightStep, -0.1f / GainRampFrames(48000));
  EXPECT_FALSE(Silent(render));
}

// The control word carries every field through its extremes, and the mixer's bit apart.
TEST(VoiceControl, PacksAndUnpacksEveryFieldAtItsLimits) {
  for (int32_t level : {-10000, -603, 0}) {
    for (int32_t pan : {-10000, -9, 0, 10000}) {
      for (uint32_t starts : {0u, 1u, 0xffffffffu}) {
        VoiceControl control{level, pan, starts % 2 == 1, level != 0, starts};
        const uint64_t word = PackControl(control);
        EXPECT_EQ(word & kParkedBit, 0u);
        const VoiceControl back = UnpackControl(word | kParkedBit);
        EXPECT_EQ(back.levelCb, level);
        EXPECT_EQ(back.panCb, pan);
        EXPECT_EQ(back.looping, control.looping);
        EXPECT_EQ(back.playing, control.playing);
        EXPECT_EQ(back.starts, starts);
      }
    }
  }
}

}  // namespace
