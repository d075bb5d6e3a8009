#include "audio/mix_kernels.h"

#include <algorithm>
#include <bit>
#include <cassert>

#include "audio/mix_kernels_x86.h"

// The loops below are written for the auto-vectoriser: planar arrays, no branches inside a
// loop, and the ramp in a loop of its own. They are the portable build; on x86-64 the
// interpolating loop is also written out by hand (mix_kernels_x86.cpp).

namespace {

// Offsets of each frame's first tap from the whole-frame part of `position`, and the
// fractions. In double every term is exact: 32 fraction bits plus at most 5 + 9 integer
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

template <typename Sample>
inline float Interpolated(const Sample* in, int32_t k, float t) {
  return Hermite(static_cast<float>(in[k - 1]), static_cast<float>(in[k]),
                 static_cast<float>(in[k + 1]), static_cast<float>(in[k + 2]), t);
}

template <typename Sample, bool kRamp>
void HermiteMono(const Sample* __restrict in, const int32_t* __restrict offset,
                 const float* __restrict fraction, int32_t frames, GainRun gains,
                 float* __restrict accLeft, float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const float y = Interpolated(in, offset[i], fraction[i]);
    const float n = kRamp ? static_cast<float>(i) : 0.0f;
    accLeft[i] += y * (gains.left + gains.leftStep * n);
    accRight[i] += y * (gains.right + gains.rightStep * n);
  }
}

template <typename Sample, bool kRamp>
void HermiteStereo(const Sample* __restrict inLeft, const Sample* __restrict inRight,
                   const int32_t* __restrict offset, const float* __restrict fraction,
                   int32_t frames, GainRun gains, float* __restrict accLeft,
                   float* __restrict accRight) {
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t k = offset[i];
    const float t = fraction[i];
    const float n = kRamp ? static_cast<float>(i) : 0.0f;
    accLeft[i] += Interpolated(inLeft, k, t) * (gains.left + gains.leftStep * n);
    accRight[i] += Interpolated(inRight, k, t) * (gains.right + gains.rightStep * n);
  }
}

}  // namespace

template <typename Sample>
void MixHermitePortable(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                        int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  assert(frames > 0 && frames <= kMixBlockFrames && "a kernel call covers at most one block");
  int32_t offset[kMixBlockFrames];
  float fraction[kMixBlockFrames];
  TapPositions(position, step, frames, offset, fraction);
  const uint64_t whole = position >> kFractionBits;
  if (right == nullptr) {
    if (Ramps(gains)) {
      HermiteMono<Sample, true>(left + whole, offset, fraction, frames, gains, accLeft, accRight);
    } else {
      HermiteMono<Sample, false>(left + whole, offset, fraction, frames, gains, accLeft, accRight);
    }
  } else if (Ramps(gains)) {
    HermiteStereo<Sample, true>(left + whole, right + whole, offset, fraction, frames, gains,
                                accLeft, accRight);
  } else {
    HermiteStereo<Sample, false>(left + whole, right + whole, offset, fraction, frames, gains,
                                 accLeft, accRight);
  }
}

template <typename Sample>
void MixHermite(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  const int32_t done = MixHermiteX86(left, right, position, step, frames, gains, accLeft, accRight);
  // What the hand-written loop left (all of it, or the last few frames) takes this one.
  MixHermiteRest(left, right, position, step, done, frames, gains, accLeft, accRight);
}

template <typename Sample>
void MixHermiteRest(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                    int32_t done, int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  if (done == frames) return;
  const auto skipped = static_cast<float>(done);
  const GainRun rest{gains.left + gains.leftStep * skipped, gains.right + gains.rightStep * skipped,
                     gains.leftStep, gains.rightStep};
  MixHermitePortable(left, right, position + static_cast<uint64_t>(done) * step, step,
                     frames - done, rest, accLeft + done, accRight + done);
}

template <typename Sample>
void MixDirect(const Sample* __restrict left, const Sample* __restrict right, int32_t frames,
               GainRun gains, float* __restrict accLeft, float* __restrict accRight) {
  const Sample* __restrict second = right != nullptr ? right : left;
  for (int32_t i = 0; i < frames; ++i) {
    const auto n = static_cast<float>(i);
    accLeft[i] += static_cast<float>(left[i]) * (gains.left + gains.leftStep * n);
    accRight[i] += static_cast<float>(second[i]) * (gains.right + gains.rightStep * n);
  }
}

bool AllFinite(const float* left, const float* right, int32_t frames) {
  constexpr uint32_t kExponent = 0x7f800000u;
  uint32_t widest = 0;
  for (int32_t i = 0; i < frames; ++i) {
    widest = std::max(widest, std::bit_cast<uint32_t>(left[i]) & kExponent);
    widest = std::max(widest, std::bit_cast<uint32_t>(right[i]) & kExponent);
  }
  return widest != kExponent;
}

void ClipInterleave(const float* __restrict accLeft, const float* __restrict accRight,
                    int32_t frames, float* __restrict out) {
  for (int32_t i = 0; i < frames; ++i) {
    out[2 * i] = std::clamp(accLeft[i], -1.0f, 1.0f);
    out[2 * i + 1] = std::clamp(accRight[i], -1.0f, 1.0f);
  }
}

template void MixHermite(const float*, const float*, uint64_t, uint64_t, int32_t, GainRun, float*,
                         float*);
template void MixHermite(const int16_t*, const int16_t*, uint64_t, uint64_t, int32_t, GainRun,
                         float*, float*);
template void MixHermiteRest(const float*, const float*, uint64_t, uint64_t, int32_t, int32_t,
                             GainRun, float*, float*);
template void MixHermiteRest(const int16_t*, const int16_t*, uint64_t, uint64_t, int32_t, int32_t,
                             GainRun, float*, float*);
template void MixHermitePortable(const float*, const float*, uint64_t, uint64_t, int32_t, GainRun,
                                 float*, float*);
template void MixHermitePortable(const int16_t*, const int16_t*, uint64_t, uint64_t, int32_t,
                                 GainRun, float*, float*);
template void MixDirect(const float*, const float*, int32_t, GainRun, float*, float*);
template void MixDirect(const int16_t*, const int16_t*, int32_t, GainRun, float*, float*);
