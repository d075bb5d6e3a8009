#include "audio/mix_kernels.h"

#include <algorithm>
#include <cassert>

// The loops below are written for the auto-vectoriser: planar float arrays, no branches
// inside a loop, and the ramp in a loop of its own. They are the portable build; on x86-64
// the interpolating loop is also written out by hand (mix_kernels_avx2.cpp).

namespace {

// Offsets of each frame's first tap from the whole-frame part of `position`, and the
// fractions. In double every term is exact: 32 fraction bits plus at most 5 + 8 integer
// bits of step times frame count stay inside the 53-bit significand.
void TapPositions(uint64_t position, uint64_t step, int32_t frames, int32_t* offset,
                  float* fraction) {
  const double first = static_cast<double>(position & (kOneFrame - 1)) * 0x1p-32;
  const double stride = static_cast<double>(step) * 0x1p-32;
  for (int32_t i = 0; i < frames; ++i) {
    const double at = first + stride * i;
    const auto whole = static_cast<int32_t>(at);
    offset[i] = whole;
    fraction[i] = static_cast<float>(at - whole);
  }
}

void HermiteMonoSteady(const float* __restrict in, const int32_t* __restrict offset,
                       const float* __restrict fraction, int32_t frames, float gainLeft,
                       float gainRight, float* __restrict accLeft, float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t k = offset[i];
    const float y = Hermite(in[k - 1], in[k], in[k + 1], in[k + 2], fraction[i]);
    accLeft[i] += y * gainLeft;
    accRight[i] += y * gainRight;
  }
}

void HermiteMonoRamp(const float* __restrict in, const int32_t* __restrict offset,
                     const float* __restrict fraction, int32_t frames, GainRun gains,
                     float* __restrict accLeft, float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t k = offset[i];
    const float y = Hermite(in[k - 1], in[k], in[k + 1], in[k + 2], fraction[i]);
    const auto n = static_cast<float>(i);
    accLeft[i] += y * (gains.left + gains.leftStep * n);
    accRight[i] += y * (gains.right + gains.rightStep * n);
  }
}

void HermiteStereoSteady(const float* __restrict inLeft, const float* __restrict inRight,
                         const int32_t* __restrict offset, const float* __restrict fraction,
                         int32_t frames, float gainLeft, float gainRight, float* __restrict accLeft,
                         float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t k = offset[i];
    const float t = fraction[i];
    accLeft[i] += Hermite(inLeft[k - 1], inLeft[k], inLeft[k + 1], inLeft[k + 2], t) * gainLeft;
    accRight[i] +=
        Hermite(inRight[k - 1], inRight[k], inRight[k + 1], inRight[k + 2], t) * gainRight;
  }
}

void HermiteStereoRamp(const float* __restrict inLeft, const float* __restrict inRight,
                       const int32_t* __restrict offset, const float* __restrict fraction,
                       int32_t frames, GainRun gains, float* __restrict accLeft,
                       float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t k = offset[i];
    const float t = fraction[i];
    const auto n = static_cast<float>(i);
    accLeft[i] += Hermite(inLeft[k - 1], inLeft[k], inLeft[k + 1], inLeft[k + 2], t) *
                  (gains.left + gains.leftStep * n);
    accRight[i] += Hermite(inRight[k - 1], inRight[k], inRight[k + 1], inRight[k + 2], t) *
                   (gains.right + gains.rightStep * n);
  }
}

bool Ramps(const GainRun& gains) {
  return gains.leftStep != 0.0f || gains.rightStep != 0.0f;
}

}  // namespace

void MixHermiteMono(const float* source, uint64_t position, uint64_t step, int32_t frames,
                    GainRun gains, float* accLeft, float* accRight) {
  assert(frames > 0 && frames <= kMixBlockFrames && "a kernel call covers at most one block");
  int32_t offset[kMixBlockFrames];
  float fraction[kMixBlockFrames];
  TapPositions(position, step, frames, offset, fraction);
  const float* in = source + (position >> kFractionBits);
  if (Ramps(gains)) {
    HermiteMonoRamp(in, offset, fraction, frames, gains, accLeft, accRight);
  } else {
    HermiteMonoSteady(in, offset, fraction, frames, gains.left, gains.right, accLeft, accRight);
  }
}

void MixHermiteStereo(const float* sourceLeft, const float* sourceRight, uint64_t position,
                      uint64_t step, int32_t frames, GainRun gains, float* accLeft,
                      float* accRight) {
  assert(frames > 0 && frames <= kMixBlockFrames && "a kernel call covers at most one block");
  int32_t offset[kMixBlockFrames];
  float fraction[kMixBlockFrames];
  TapPositions(position, step, frames, offset, fraction);
  const uint64_t whole = position >> kFractionBits;
  if (Ramps(gains)) {
    HermiteStereoRamp(sourceLeft + whole, sourceRight + whole, offset, fraction, frames, gains,
                      accLeft, accRight);
  } else {
    HermiteStereoSteady(sourceLeft + whole, sourceRight + whole, offset, fraction, frames,
                        gains.left, gains.right, accLeft, accRight);
  }
}

void MixDirectMono(const float* __restrict source, int32_t frames, GainRun gains,
                   float* __restrict accLeft, float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const auto n = static_cast<float>(i);
    accLeft[i] += source[i] * (gains.left + gains.leftStep * n);
    accRight[i] += source[i] * (gains.right + gains.rightStep * n);
  }
}

void MixDirectStereo(const float* __restrict sourceLeft, const float* __restrict sourceRight,
                     int32_t frames, GainRun gains, float* __restrict accLeft,
                     float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const auto n = static_cast<float>(i);
    accLeft[i] += sourceLeft[i] * (gains.left + gains.leftStep * n);
    accRight[i] += sourceRight[i] * (gains.right + gains.rightStep * n);
  }
}

void ClipInterleave(const float* __restrict accLeft, const float* __restrict accRight,
                    int32_t frames, float* __restrict out) {
  for (int32_t i = 0; i < frames; ++i) {
    out[2 * i] = std::clamp(accLeft[i], -1.0f, 1.0f);
    out[2 * i + 1] = std::clamp(accRight[i], -1.0f, 1.0f);
  }
}
