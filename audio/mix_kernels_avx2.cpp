#include "audio/mix_kernels_avx2.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// GCC 12's AVX-512 intrinsics start from deliberately undefined registers, which its own
// -Wmaybe-uninitialized then reports; nothing here reads an undefined value.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#define QUELMIRE_AVX2 __attribute__((target("avx2,fma")))

// Sixteen frames' taps span at most 32 source samples up to this step (28/15).
constexpr uint64_t kWidePermuteMaxStep = (uint64_t{28} << kFractionBits) / 15;

namespace {

QUELMIRE_AVX2 inline __m256 Hermite8(__m256 xm1, __m256 x0, __m256 x1, __m256 x2, __m256 t) {
  const __m256 half = _mm256_set1_ps(0.5f);
  const __m256 c1 = _mm256_mul_ps(half, _mm256_sub_ps(x1, xm1));
  __m256 c2 = _mm256_fmadd_ps(_mm256_set1_ps(2.0f), x1, xm1);
  c2 = _mm256_fnmadd_ps(_mm256_set1_ps(2.5f), x0, c2);
  c2 = _mm256_fnmadd_ps(half, x2, c2);
  const __m256 c3 = _mm256_fmadd_ps(_mm256_set1_ps(1.5f), _mm256_sub_ps(x0, x1),
                                    _mm256_mul_ps(half, _mm256_sub_ps(x2, xm1)));
  return _mm256_fmadd_ps(_mm256_fmadd_ps(_mm256_fmadd_ps(c3, t, c2), t, c1), t, x0);
}

// Where each of eight frames reads: offsets of the first tap from the group's first tap,
// as permute indices for each tap, with masks for those that fall in the upper register.
struct TapPicks {
  __m256i index[4];
  __m256 upper[4];
};

QUELMIRE_AVX2 inline TapPicks Picks(__m256i offset) {
  TapPicks picks;
  const __m256i seven = _mm256_set1_epi32(7);
  for (int j = 0; j < 4; ++j) {
    picks.index[j] = _mm256_add_epi32(offset, _mm256_set1_epi32(j));
    picks.upper[j] = _mm256_castsi256_ps(_mm256_cmpgt_epi32(picks.index[j], seven));
  }
  return picks;
}

// One channel's eight interpolated values; `at` is the first tap of the group's first frame.
QUELMIRE_AVX2 inline __m256 Interpolate8(const float* at, const TapPicks& picks, __m256 t) {
  const __m256 low = _mm256_loadu_ps(at);
  const __m256 high = _mm256_loadu_ps(at + 8);
  __m256 tap[4];
  for (int j = 0; j < 4; ++j) {
    tap[j] = _mm256_blendv_ps(_mm256_permutevar8x32_ps(low, picks.index[j]),
                              _mm256_permutevar8x32_ps(high, picks.index[j]), picks.upper[j]);
  }
  return Hermite8(tap[0], tap[1], tap[2], tap[3], t);
}

template <bool kStereo, bool kRamp>
QUELMIRE_AVX2 int32_t Groups(const float* left, const float* right, uint64_t position,
                             uint64_t step, int32_t frames, GainRun gains, float* accLeft,
                             float* accRight) {
  const int32_t groups = frames / 8;
  // Lanes hold 32.32 positions of frames 0-3 and 4-7 of the group.
  const auto stepBits = static_cast<long long>(step);
  __m256i lanesA = _mm256_add_epi64(_mm256_set1_epi64x(static_cast<long long>(position)),
                                    _mm256_set_epi64x(3 * stepBits, 2 * stepBits, stepBits, 0));
  __m256i lanesB = _mm256_add_epi64(lanesA, _mm256_set1_epi64x(4 * stepBits));
  const __m256i groupStride = _mm256_set1_epi64x(8 * stepBits);
  const __m256i order = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
  const __m256 fractionScale = _mm256_set1_ps(0x1p-24f);

  __m256 gainLeft = _mm256_set1_ps(gains.left);
  __m256 gainRight = _mm256_set1_ps(gains.right);
  __m256 rampLeft = _mm256_setzero_ps(), rampRight = _mm256_setzero_ps();
  if constexpr (kRamp) {
    const __m256 ramp = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    gainLeft = _mm256_fmadd_ps(ramp, _mm256_set1_ps(gains.leftStep), gainLeft);
    gainRight = _mm256_fmadd_ps(ramp, _mm256_set1_ps(gains.rightStep), gainRight);
    rampLeft = _mm256_set1_ps(8.0f * gains.leftStep);
    rampRight = _mm256_set1_ps(8.0f * gains.rightStep);
  }

  for (int32_t g = 0; g < groups; ++g) {
    // Split the lanes into whole frames (high halves) and fractions (low halves).
    const __m256 a = _mm256_castsi256_ps(lanesA);
    const __m256 b = _mm256_castsi256_ps(lanesB);
    const __m256i whole = _mm256_permutevar8x32_epi32(
        _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))), order);
    const __m256i fraction = _mm256_permutevar8x32_epi32(
        _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))), order);
    const __m256 t =
        _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(fraction, 8)), fractionScale);
    const auto first = static_cast<int64_t>(
        static_cast<uint64_t>(_mm256_extract_epi64(lanesA, 0)) >> kFractionBits);
    const __m256i offset = _mm256_sub_epi32(whole, _mm256_set1_epi32(static_cast<int32_t>(first)));
    const TapPicks picks = Picks(offset);

    float* outLeft = accLeft + 8 * g;
    float* outRight = accRight + 8 * g;
    const __m256 yLeft = Interpolate8(left + first - 1, picks, t);
    const __m256 yRight = kStereo ? Interpolate8(right + first - 1, picks, t) : yLeft;
    _mm256_storeu_ps(outLeft, _mm256_fmadd_ps(yLeft, gainLeft, _mm256_loadu_ps(outLeft)));
    _mm256_storeu_ps(outRight, _mm256_fmadd_ps(yRight, gainRight, _mm256_loadu_ps(outRight)));

    lanesA = _mm256_add_epi64(lanesA, groupStride);
    lanesB = _mm256_add_epi64(lanesB, groupStride);
    if constexpr (kRamp) {
      gainLeft = _mm256_add_ps(gainLeft, rampLeft);
      gainRight = _mm256_add_ps(gainRight, rampRight);
    }
  }
  return groups * 8;
}

// ---- AVX-512: sixteen frames at a time, each tap one two-register permute ----------------

#define QUELMIRE_AVX512 __attribute__((target("avx512f,fma")))

QUELMIRE_AVX512 inline __m512 Hermite16(__m512 xm1, __m512 x0, __m512 x1, __m512 x2, __m512 t) {
  const __m512 half = _mm512_set1_ps(0.5f);
  const __m512 c1 = _mm512_mul_ps(half, _mm512_sub_ps(x1, xm1));
  __m512 c2 = _mm512_fmadd_ps(_mm512_set1_ps(2.0f), x1, xm1);
  c2 = _mm512_fnmadd_ps(_mm512_set1_ps(2.5f), x0, c2);
  c2 = _mm512_fnmadd_ps(half, x2, c2);
  const __m512 c3 = _mm512_fmadd_ps(_mm512_set1_ps(1.5f), _mm512_sub_ps(x0, x1),
                                    _mm512_mul_ps(half, _mm512_sub_ps(x2, xm1)));
  return _mm512_fmadd_ps(_mm512_fmadd_ps(_mm512_fmadd_ps(c3, t, c2), t, c1), t, x0);
}

QUELMIRE_AVX512 inline __m512 Interpolate16(const float* at, const __m512i (&index)[4], __m512 t) {
  const __m512 low = _mm512_loadu_ps(at);
  const __m512 high = _mm512_loadu_ps(at + 16);
  return Hermite16(
      _mm512_permutex2var_ps(low, index[0], high), _mm512_permutex2var_ps(low, index[1], high),
      _mm512_permutex2var_ps(low, index[2], high), _mm512_permutex2var_ps(low, index[3], high), t);
}

template <bool kStereo, bool kRamp>
QUELMIRE_AVX512 int32_t Groups16(const float* left, const float* right, uint64_t position,
                                 uint64_t step, int32_t frames, GainRun gains, float* accLeft,
                                 float* accRight) {
  const int32_t groups = frames / 16;
  const auto stepBits = static_cast<long long>(step);
  const __m512i firstEight =
      _mm512_setr_epi64(0, stepBits, 2 * stepBits, 3 * stepBits, 4 * stepBits, 5 * stepBits,
                        6 * stepBits, 7 * stepBits);
  __m512i lanesA =
      _mm512_add_epi64(_mm512_set1_epi64(static_cast<long long>(position)), firstEight);
  __m512i lanesB = _mm512_add_epi64(lanesA, _mm512_set1_epi64(8 * stepBits));
  const __m512i groupStride = _mm512_set1_epi64(16 * stepBits);
  const __m512 fractionScale = _mm512_set1_ps(0x1p-24f);

  __m512 gainLeft = _mm512_set1_ps(gains.left);
  __m512 gainRight = _mm512_set1_ps(gains.right);
  __m512 rampLeft = _mm512_setzero_ps(), rampRight = _mm512_setzero_ps();
  if constexpr (kRamp) {
    const __m512 ramp = _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    gainLeft = _mm512_fmadd_ps(ramp, _mm512_set1_ps(gains.leftStep), gainLeft);
    gainRight = _mm512_fmadd_ps(ramp, _mm512_set1_ps(gains.rightStep), gainRight);
    rampLeft = _mm512_set1_ps(16.0f * gains.leftStep);
    rampRight = _mm512_set1_ps(16.0f * gains.rightStep);
  }

  for (int32_t g = 0; g < groups; ++g) {
    const auto first = static_cast<int64_t>(static_cast<uint64_t>(position) >> kFractionBits);
    const __m512i whole = _mm512_inserti64x4(
        _mm512_castsi256_si512(_mm512_cvtepi64_epi32(_mm512_srli_epi64(lanesA, kFractionBits))),
        _mm512_cvtepi64_epi32(_mm512_srli_epi64(lanesB, kFractionBits)), 1);
    const __m512i fraction = _mm512_inserti64x4(
        _mm512_castsi256_si512(_mm512_cvtepi64_epi32(lanesA)), _mm512_cvtepi64_epi32(lanesB), 1);
    const __m512 t =
        _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_srli_epi32(fraction, 8)), fractionScale);
    const __m512i offset = _mm512_sub_epi32(whole, _mm512_set1_epi32(static_cast<int32_t>(first)));
    const __m512i index[4] = {offset, _mm512_add_epi32(offset, _mm512_set1_epi32(1)),
                              _mm512_add_epi32(offset, _mm512_set1_epi32(2)),
                              _mm512_add_epi32(offset, _mm512_set1_epi32(3))};

    float* outLeft = accLeft + 16 * g;
    float* outRight = accRight + 16 * g;
    const __m512 yLeft = Interpolate16(left + first - 1, index, t);
    const __m512 yRight = kStereo ? Interpolate16(right + first - 1, index, t) : yLeft;
    _mm512_storeu_ps(outLeft, _mm512_fmadd_ps(yLeft, gainLeft, _mm512_loadu_ps(outLeft)));
    _mm512_storeu_ps(outRight, _mm512_fmadd_ps(yRight, gainRight, _mm512_loadu_ps(outRight)));

    position += 16 * step;
    lanesA = _mm512_add_epi64(lanesA, groupStride);
    lanesB = _mm512_add_epi64(lanesB, groupStride);
    if constexpr (kRamp) {
      gainLeft = _mm512_add_ps(gainLeft, rampLeft);
      gainRight = _mm512_add_ps(gainRight, rampRight);
    }
  }
  return groups * 16;
}

bool HaveAvx512Kernels() {
  static const bool have = __builtin_cpu_supports("avx512f");
  return have;
}

}  // namespace

bool HaveAvx2Kernels() {
  static const bool have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return have;
}

void MixHermiteAvx2(const float* sourceLeft, const float* sourceRight, uint64_t position,
                    uint64_t step, int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  const bool ramp = gains.leftStep != 0.0f || gains.rightStep != 0.0f;
  int32_t done = 0;
  if (step <= kWidePermuteMaxStep && HaveAvx512Kernels()) {
    if (sourceRight != nullptr) {
      done = ramp ? Groups16<true, true>(sourceLeft, sourceRight, position, step, frames, gains,
                                         accLeft, accRight)
                  : Groups16<true, false>(sourceLeft, sourceRight, position, step, frames, gains,
                                          accLeft, accRight);
    } else {
      done = ramp ? Groups16<false, true>(sourceLeft, nullptr, position, step, frames, gains,
                                          accLeft, accRight)
                  : Groups16<false, false>(sourceLeft, nullptr, position, step, frames, gains,
                                           accLeft, accRight);
    }
  } else if (sourceRight != nullptr) {
    done = ramp ? Groups<true, true>(sourceLeft, sourceRight, position, step, frames, gains,
                                     accLeft, accRight)
                : Groups<true, false>(sourceLeft, sourceRight, position, step, frames, gains,
                                      accLeft, accRight);
  } else {
    done = ramp ? Groups<false, true>(sourceLeft, nullptr, position, step, frames, gains, accLeft,
                                      accRight)
                : Groups<false, false>(sourceLeft, nullptr, position, step, frames, gains, accLeft,
                                       accRight);
  }
  if (done == frames) return;
  // The last few frames of the run take the plain loop, gains moved on to where they are.
  const auto skipped = static_cast<float>(done);
  GainRun rest{gains.left + gains.leftStep * skipped, gains.right + gains.rightStep * skipped,
               gains.leftStep, gains.rightStep};
  const uint64_t from = position + static_cast<uint64_t>(done) * step;
  if (sourceRight != nullptr) {
    MixHermiteStereo(sourceLeft, sourceRight, from, step, frames - done, rest, accLeft + done,
                     accRight + done);
  } else {
    MixHermiteMono(sourceLeft, from, step, frames - done, rest, accLeft + done, accRight + done);
  }
}

#else  // not x86-64: the portable loops serve

bool HaveAvx2Kernels() {
  return false;
}

void MixHermiteAvx2(const float* sourceLeft, const float* sourceRight, uint64_t position,
                    uint64_t step, int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  if (sourceRight != nullptr) {
    MixHermiteStereo(sourceLeft, sourceRight, position, step, frames, gains, accLeft, accRight);
  } else {
    MixHermiteMono(sourceLeft, position, step, frames, gains, accLeft, accRight);
  }
}

#endif
