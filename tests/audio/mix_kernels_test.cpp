// The hand-written interpolating loops against a scalar model of their own arithmetic, bit
// for bit. The loops are free to fetch taps however suits the processor (permutes, loads,
// conversion ahead of use), but not to change an output sample: the model rounds where
// each loop's instructions round, so any change in what is computed shows here, while the
// mixer's tests only hold the output near the Hermite reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "audio/mix_kernels.h"
#include "audio/mix_kernels_x86.h"
#include "audio/mixer.h"
#include "audio/sound_pcm.h"
#include "each_vector_loop.h"

namespace {

// One fused multiply-add as the processor does it: the C library's fmaf is not always
// exact (MinGW's rounds twice), and the loops modelled here run only where FMA exists.
#if defined(__x86_64__)
__attribute__((target("fma"))) float Fused(float a, float b, float c) {
  return __builtin_fmaf(a, b, c);
}
#else
float Fused(float a, float b, float c) {
  return std::fma(a, b, c);
}
#endif

struct Weights {
  float w0, w1, w2, w3;
};

// The four weights as the loops compute them, one fused multiply-add where they use one.
Weights ModelWeights(float t) {
  const float t2 = t * t;
  const float h = 0.5f * t2;
  return {t * Fused(Fused(-0.5f, t, 1.0f), t, -0.5f), Fused(Fused(1.5f, t, -2.5f), t2, 1.0f),
          t * Fused(Fused(-1.5f, t, 2.0f), t, 0.5f), Fused(h, t, -h)};
}

// The fraction of a 32.32 position as each loop turns it into t: AVX2 keeps its top 24
// bits, AVX-512 rounds all 32 to a float.
float ModelT(uint32_t fraction, VectorLoops loops) {
  if (loops == VectorLoops::kAvx512) return static_cast<float>(fraction) * 0x1p-32f;
  return static_cast<float>(fraction >> 8) * 0x1p-24f;
}

// What MixHermite adds for `frames` frames on the loop `loops` picks: groups of `lanes`
// frames in the vector model, the rest through the portable loop.
template <typename Sample>
void ModelMix(VectorLoops loops, int32_t lanes, const Sample* left, const Sample* right,
              uint64_t position, uint64_t step, int32_t frames, GainRun gains, float* accLeft,
              float* accRight) {
  const int32_t grouped = frames / lanes * lanes;
  // Lane gains start at gain + lane * step and move on by lanes * step, rounded each group.
  std::vector<float> gainLeft(static_cast<size_t>(lanes)), gainRight(gainLeft);
  for (int32_t lane = 0; lane < lanes; ++lane) {
    gainLeft[static_cast<size_t>(lane)] =
        Fused(static_cast<float>(lane), gains.leftStep, gains.left);
    gainRight[static_cast<size_t>(lane)] =
        Fused(static_cast<float>(lane), gains.rightStep, gains.right);
  }
  if (!Ramps(gains)) {
    std::fill(gainLeft.begin(), gainLeft.end(), gains.left);
    std::fill(gainRight.begin(), gainRight.end(), gains.right);
  }
  for (int32_t i = 0; i < grouped; ++i) {
    const uint64_t at = position + static_cast<uint64_t>(i) * step;
    const auto k = static_cast<int64_t>(at >> kFractionBits);
    const Weights w = ModelWeights(ModelT(static_cast<uint32_t>(at), loops));
    auto interpolate = [&](const Sample* in) {
      float y = w.w0 * static_cast<float>(in[k - 1]);
      y = Fused(w.w1, static_cast<float>(in[k]), y);
      y = Fused(w.w2, static_cast<float>(in[k + 1]), y);
      return Fused(w.w3, static_cast<float>(in[k + 2]), y);
    };
    const float yLeft = interpolate(left);
    const float yRight = right != nullptr ? interpolate(right) : yLeft;
    const auto lane = static_cast<size_t>(i % lanes);
    accLeft[i] = Fused(yLeft, gainLeft[lane], accLeft[i]);
    accRight[i] = Fused(yRight, gainRight[lane], accRight[i]);
    if (Ramps(gains) && i % lanes == lanes - 1) {
      for (int32_t l = 0; l < lanes; ++l) {
        gainLeft[static_cast<size_t>(l)] += static_cast<float>(lanes) * gains.leftStep;
        gainRight[static_cast<size_t>(l)] += static_cast<float>(lanes) * gains.rightStep;
      }
    }
  }
  MixHermiteRest(left, right, position, step, grouped, frames, gains, accLeft, accRight);
}

// How many frames a group of each loop holds at this step, 0 where no vector loop runs.
int32_t GroupLanes(VectorLoops loops, uint64_t step) {
  if (loops == VectorLoops::kAvx512 && step <= kWideGroupMaxStep) return 16;
  if (loops >= VectorLoops::kAvx2 && step <= kNarrowGroupMaxStep) return 8;
  return 0;
}

class VectorLoopsBits : public EachVectorLoop {
 protected:
  template <typename Sample>
  void CheckEveryCase(int32_t fullScale) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> noise(-fullScale, fullScale - 1);
    std::uniform_int_distribution<uint32_t> fraction;
    constexpr int64_t kLength = 2 * kMixBlockFrames + 64;
    // The loops read whole registers past the last tap, as a sound's padding allows.
    std::vector<Sample> left(kLength + kPcmPadding), right(kLength + kPcmPadding);
    for (int64_t i = 0; i < kLength; ++i) {
      left[static_cast<size_t>(i)] = static_cast<Sample>(noise(random));
      right[static_cast<size_t>(i)] = static_cast<Sample>(noise(random));
    }
    // Steps below and at one frame (16-bit sources widened ahead of the loop), up to the
    // AVX2 and the AVX-512 group limits, and past both.
    const uint64_t steps[] = {
        ResampleStep(8000, 48000),  ResampleStep(44100, 48000), kOneFrame,
        ResampleStep(64000, 48000), kNarrowGroupMaxStep,        kWideGroupMaxStep,
        ResampleStep(96000, 48000)};
    const GainRun steady{0.7f, 0.3f, 0.0f, 0.0f};
    const GainRun ramp{0.7f, 0.3f, -0.7f / 240.0f, 0.25f / 240.0f};
    for (uint64_t step : steps) {
      for (bool stereo : {false, true}) {
        for (GainRun gains : {steady, ramp}) {
          for (int32_t frames : {1, 7, 8, 23, 64, 333, kMixBlockFrames}) {
            const uint64_t position = (uint64_t{1} << kFractionBits) + fraction(random);
            if (((position + static_cast<uint64_t>(frames) * step) >> kFractionBits) + 3 >
                static_cast<uint64_t>(kLength)) {
              continue;
            }
            std::vector<float> gotLeft(kMixBlockFrames), gotRight(kMixBlockFrames);
            for (int32_t i = 0; i < kMixBlockFrames; ++i) {
              gotLeft[static_cast<size_t>(i)] = 0.001f * static_cast<float>(i % 17);
              gotRight[static_cast<size_t>(i)] = -0.002f * static_cast<float>(i % 13);
            }
            std::vector<float> wantLeft(gotLeft), wantRight(gotRight);
            const Sample* second = stereo ? right.data() : nullptr;
            MixHermite(left.data(), second, position, step, frames, gains, gotLeft.data(),
                       gotRight.data());
            const int32_t lanes = GroupLanes(GetParam(), step);
            if (lanes == 0) {
              MixHermitePortable(left.data(), second, position, step, frames, gains,
                                 wantLeft.data(), wantRight.data());
            } else {
              ModelMix(GetParam(), lanes, left.data(), second, position, step, frames, gains,
                       wantLeft.data(), wantRight.data());
            }
            ASSERT_EQ(0, std::memcmp(gotLeft.data(), wantLeft.data(), 4 * kMixBlockFrames))
                << "left, step " << step << (stereo ? " stereo" : " mono") << " ramp "
                << Ramps(gains) << " frames " << frames;
            ASSERT_EQ(0, std::memcmp(gotRight.data(), wantRight.data(), 4 * kMixBlockFrames))
                << "right, step " << step << (stereo ? " stereo" : " mono") << " ramp "
                << Ramps(gains) << " frames " << frames;
          }
        }
      }
    }
  }
};

INSTANTIATE_TEST_SUITE_P(Loops, VectorLoopsBits,
                         ::testing::Values(VectorLoops::kAvx2, VectorLoops::kAvx512),
                         VectorLoopsName);

TEST_P(VectorLoopsBits, SixteenBitSourcesMatchTheModelBitForBit) {
  CheckEveryCase<int16_t>(32768);
}

TEST_P(VectorLoopsBits, FloatSourcesMatchTheModelBitForBit) {
  CheckEveryCase<float>(1 << 20);
}

}  // namespace
