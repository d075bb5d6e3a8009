#include "audio/mix_kernels_x86.h"

#include <algorithm>
#include <atomic>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// GCC 12's AVX-512 intrinsics start from deliberately undefined registers, which its own
// -Wmaybe-uninitialized then reports; nothing here reads an undefined value.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#define QUELMIRE_AVX2 __attribute__((target("avx2,fma")))
#define QUELMIRE_AVX512 __attribute__((target("avx512f,avx2,fma")))

namespace {

// Whole frames and fractions of the first frames of a group, from 32.32 positions.
template <int kLanes>
struct LaneStart {
  int32_t whole[kLanes];
  uint32_t fraction[kLanes];
  LaneStart(uint64_t position, uint64_t step) {
    for (int i = 0; i < kLanes; ++i) {
      const uint64_t at = position + static_cast<uint64_t>(i) * step;
      whole[i] = static_cast<int32_t>(at >> kFractionBits);
      fraction[i] = static_cast<uint32_t>(at);
    }
  }
};

// ---- AVX-512: sixteen frames a group, each tap one two-register permute ----------------

QUELMIRE_AVX512 inline void Load16(const float* at, __m512& low, __m512& high) {
  low = _mm512_loadu_ps(at);
  high = _mm512_loadu_ps(at + 16);
}

QUELMIRE_AVX512 inline void Load16(const int16_t* at, __m512& low, __m512& high) {
  low = _mm512_cvtepi32_ps(
      _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at))));
  high = _mm512_cvtepi32_ps(
      _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 16))));
}

struct Weights16 {
  __m512 w0, w1, w2, w3;
};

QUELMIRE_AVX512 inline Weights16 HermiteWeights16(__m512 t) {
  const __m512 one = _mm512_set1_ps(1.0f), half = _mm512_set1_ps(0.5f);
  const __m512 t2 = _mm512_mul_ps(t, t);
  const __m512 h = _mm512_mul_ps(half, t2);
  Weights16 w;
  w.w0 = _mm512_mul_ps(t, _mm512_fmsub_ps(_mm512_fnmadd_ps(half, t, one), t, half));
  w.w1 = _mm512_fmadd_ps(_mm512_fmsub_ps(_mm512_set1_ps(1.5f), t, _mm512_set1_ps(2.5f)), t2, one);
  w.w2 = _mm512_mul_ps(
      t, _mm512_fmadd_ps(_mm512_fnmadd_ps(_mm512_set1_ps(1.5f), t, _mm512_set1_ps(2.0f)), t, half));
  w.w3 = _mm512_fmsub_ps(h, t, h);
  return w;
}

template <typename Sample>
QUELMIRE_AVX512 inline __m512 Interpolate16(const Sample* at, const __m512i (&index)[4],
                                            const Weights16& w) {
  __m512 low, high;
  Load16(at, low, high);
  __m512 y = _mm512_mul_ps(w.w0, _mm512_permutex2var_ps(low, index[0], high));
  y = _mm512_fmadd_ps(w.w1, _mm512_permutex2var_ps(low, index[1], high), y);
  y = _mm512_fmadd_ps(w.w2, _mm512_permutex2var_ps(low, index[2], high), y);
  return _mm512_fmadd_ps(w.w3, _mm512_permutex2var_ps(low, index[3], high), y);
}

template <typename Sample, bool kStereo, bool kRamp>
QUELMIRE_AVX512 int32_t Groups16(const Sample* left, const Sample* right, uint64_t position,
                                 uint64_t step, int32_t frames, GainRun gains, float* accLeft,
                                 float* accRight) {
  const int32_t groups = frames / 16;
  const LaneStart<16> start(position, step);
  __m512i whole = _mm512_loadu_si512(start.whole);
  __m512i fraction = _mm512_loadu_si512(start.fraction);
  const uint64_t stride = 16 * step;
  const __m512i strideWhole = _mm512_set1_epi32(static_cast<int32_t>(stride >> kFractionBits));
  const __m512i strideFraction =
      _mm512_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(stride)));
  const __m512i one = _mm512_set1_epi32(1);

  __m512 gainLeft = _mm512_set1_ps(gains.left), gainRight = _mm512_set1_ps(gains.right);
  __m512 rampLeft = _mm512_setzero_ps(), rampRight = _mm512_setzero_ps();
  if constexpr (kRamp) {
    const __m512 ramp = _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    gainLeft = _mm512_fmadd_ps(ramp, _mm512_set1_ps(gains.leftStep), gainLeft);
    gainRight = _mm512_fmadd_ps(ramp, _mm512_set1_ps(gains.rightStep), gainRight);
    rampLeft = _mm512_set1_ps(16.0f * gains.leftStep);
    rampRight = _mm512_set1_ps(16.0f * gains.rightStep);
  }

  for (int32_t g = 0; g < groups; ++g) {
    const int32_t first = _mm_cvtsi128_si32(_mm512_castsi512_si128(whole));
    const __m512i offset = _mm512_sub_epi32(whole, _mm512_set1_epi32(first));
    const __m512i index[4] = {offset, _mm512_add_epi32(offset, one),
                              _mm512_add_epi32(offset, _mm512_set1_epi32(2)),
                              _mm512_add_epi32(offset, _mm512_set1_epi32(3))};
    const __m512 t = _mm512_mul_ps(_mm512_cvtepu32_ps(fraction), _mm512_set1_ps(0x1p-32f));
    const Weights16 w = HermiteWeights16(t);

    float* outLeft = accLeft + 16 * g;
    float* outRight = accRight + 16 * g;
    const __m512 yLeft = Interpolate16(left + first - 1, index, w);
    const __m512 yRight = kStereo ? Interpolate16(right + first - 1, index, w) : yLeft;
    _mm512_storeu_ps(outLeft, _mm512_fmadd_ps(yLeft, gainLeft, _mm512_loadu_ps(outLeft)));
    _mm512_storeu_ps(outRight, _mm512_fmadd_ps(yRight, gainRight, _mm512_loadu_ps(outRight)));

    // On to the next group: add the stride, carrying from the fractions into the frames.
    fraction = _mm512_add_epi32(fraction, strideFraction);
    const __mmask16 carry = _mm512_cmplt_epu32_mask(fraction, strideFraction);
    whole = _mm512_mask_add_epi32(_mm512_add_epi32(whole, strideWhole), carry,
                                  _mm512_add_epi32(whole, strideWhole), one);
    if constexpr (kRamp) {
      gainLeft = _mm512_add_ps(gainLeft, rampLeft);
      gainRight = _mm512_add_ps(gainRight, rampRight);
    }
  }
  return groups * 16;
}

// ---- AVX2: eight frames a group, each tap two permutes and a blend ---------------------

QUELMIRE_AVX2 inline void Load8(const float* at, __m256& low, __m256& high) {
  low = _mm256_loadu_ps(at);
  high = _mm256_loadu_ps(at + 8);
}

QUELMIRE_AVX2 inline void Load8(const int16_t* at, __m256& low, __m256& high) {
  low = _mm256_cvtepi32_ps(
      _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))));
  high = _mm256_cvtepi32_ps(
      _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 8))));
}

struct Weights8 {
  __m256 w0, w1, w2, w3;
};

QUELMIRE_AVX2 inline Weights8 HermiteWeights8(__m256 t) {
  const __m256 one = _mm256_set1_ps(1.0f), half = _mm256_set1_ps(0.5f);
  const __m256 t2 = _mm256_mul_ps(t, t);
  const __m256 h = _mm256_mul_ps(half, t2);
  Weights8 w;
  w.w0 = _mm256_mul_ps(t, _mm256_fmsub_ps(_mm256_fnmadd_ps(half, t, one), t, half));
  w.w1 = _mm256_fmadd_ps(_mm256_fmsub_ps(_mm256_set1_ps(1.5f), t, _mm256_set1_ps(2.5f)), t2, one);
  w.w2 = _mm256_mul_ps(
      t, _mm256_fmadd_ps(_mm256_fnmadd_ps(_mm256_set1_ps(1.5f), t, _mm256_set1_ps(2.0f)), t, half));
  w.w3 = _mm256_fmsub_ps(h, t, h);
  return w;
}

struct Picks8 {
  __m256i index[4];
  __m256 upper[4];  // lanes whose tap lies in the second register
};

template <typename Sample>
QUELMIRE_AVX2 inline __m256 Interpolate8(const Sample* at, const Picks8& picks, const Weights8& w) {
  __m256 low, high;
  Load8(at, low, high);
  __m256 tap[4];
  for (int j = 0; j < 4; ++j) {
    tap[j] = _mm256_blendv_ps(_mm256_permutevar8x32_ps(low, picks.index[j]),
                              _mm256_permutevar8x32_ps(high, picks.index[j]), picks.upper[j]);
  }
  __m256 y = _mm256_mul_ps(w.w0, tap[0]);
  y = _mm256_fmadd_ps(w.w1, tap[1], y);
  y = _mm256_fmadd_ps(w.w2, tap[2], y);
  return _mm256_fmadd_ps(w.w3, tap[3], y);
}

QUELMIRE_AVX2 inline __m256 LoadOne8(const float* at) {
  return _mm256_loadu_ps(at);
}

QUELMIRE_AVX2 inline __m256 LoadOne8(const int16_t* at) {
  return _mm256_cvtepi32_ps(
      _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))));
}

// When eight frames span at most eight source frames, tap j of every frame lies in the
// eight samples from `at + j`: four loads, each with one in-register permute by the same
// offsets, in place of two permutes and a blend per tap.
template <typename Sample>
QUELMIRE_AVX2 inline __m256 InterpolateShifted8(const Sample* at, __m256i offset,
                                                const Weights8& w) {
  __m256 y = _mm256_mul_ps(w.w0, _mm256_permutevar8x32_ps(LoadOne8(at), offset));
  y = _mm256_fmadd_ps(w.w1, _mm256_permutevar8x32_ps(LoadOne8(at + 1), offset), y);
  y = _mm256_fmadd_ps(w.w2, _mm256_permutevar8x32_ps(LoadOne8(at + 2), offset), y);
  return _mm256_fmadd_ps(w.w3, _mm256_permutevar8x32_ps(LoadOne8(at + 3), offset), y);
}

// For a group loop whose samples are all ready before it starts.
struct NoFeed {
  void Next() {}
};

template <typename Sample, bool kStereo, bool kRamp, bool kShifted, typename Feed = NoFeed>
QUELMIRE_AVX2 int32_t Groups8(const Sample* left, const Sample* right, uint64_t position,
                              uint64_t step, int32_t frames, GainRun gains, float* accLeft,
                              float* accRight, Feed feed = {}) {
  const int32_t groups = frames / 8;
  const LaneStart<8> start(position, step);
  __m256i whole = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(start.whole));
  __m256i fraction = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(start.fraction));
  const uint64_t stride = 8 * step;
  const __m256i strideWhole = _mm256_set1_epi32(static_cast<int32_t>(stride >> kFractionBits));
  const __m256i strideFraction =
      _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(stride)));
  const __m256i bias = _mm256_set1_epi32(INT32_MIN);  // unsigned order through signed compares
  const __m256i seven = _mm256_set1_epi32(7);

  __m256 gainLeft = _mm256_set1_ps(gains.left), gainRight = _mm256_set1_ps(gains.right);
  __m256 rampLeft = _mm256_setzero_ps(), rampRight = _mm256_setzero_ps();
  if constexpr (kRamp) {
    const __m256 ramp = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    gainLeft = _mm256_fmadd_ps(ramp, _mm256_set1_ps(gains.leftStep), gainLeft);
    gainRight = _mm256_fmadd_ps(ramp, _mm256_set1_ps(gains.rightStep), gainRight);
    rampLeft = _mm256_set1_ps(8.0f * gains.leftStep);
    rampRight = _mm256_set1_ps(8.0f * gains.rightStep);
  }

  for (int32_t g = 0; g < groups; ++g) {
    feed.Next();
    const int32_t first = _mm_cvtsi128_si32(_mm256_castsi256_si128(whole));
    const __m256i offset = _mm256_sub_epi32(whole, _mm256_set1_epi32(first));
    const __m256 t =
        _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(fraction, 8)), _mm256_set1_ps(0x1p-24f));
    const Weights8 w = HermiteWeights8(t);

    float* outLeft = accLeft + 8 * g;
    float* outRight = accRight + 8 * g;
    __m256 yLeft, yRight;
    if constexpr (kShifted) {
      yLeft = InterpolateShifted8(left + first - 1, offset, w);
      yRight = kStereo ? InterpolateShifted8(right + first - 1, offset, w) : yLeft;
    } else {
      Picks8 picks;
      for (int j = 0; j < 4; ++j) {
        picks.index[j] = _mm256_add_epi32(offset, _mm256_set1_epi32(j));
        picks.upper[j] = _mm256_castsi256_ps(_mm256_cmpgt_epi32(picks.index[j], seven));
      }
      yLeft = Interpolate8(left + first - 1, picks, w);
      yRight = kStereo ? Interpolate8(right + first - 1, picks, w) : yLeft;
    }
    _mm256_storeu_ps(outLeft, _mm256_fmadd_ps(yLeft, gainLeft, _mm256_loadu_ps(outLeft)));
    _mm256_storeu_ps(outRight, _mm256_fmadd_ps(yRight, gainRight, _mm256_loadu_ps(outRight)));

    fraction = _mm256_add_epi32(fraction, strideFraction);
    const __m256i carry = _mm256_cmpgt_epi32(_mm256_xor_si256(strideFraction, bias),
                                             _mm256_xor_si256(fraction, bias));
    whole = _mm256_sub_epi32(_mm256_add_epi32(whole, strideWhole), carry);  // carry is -1
    if constexpr (kRamp) {
      gainLeft = _mm256_add_ps(gainLeft, rampLeft);
      gainRight = _mm256_add_ps(gainRight, rampRight);
    }
  }
  return groups * 8;
}

// The two kinds of loop, each in four versions: mono or stereo, steady or ramping.
template <typename Sample, bool kStereo, bool kRamp>
struct Wide {
  static int32_t Run(const Sample* l, const Sample* r, uint64_t p, uint64_t s, int32_t f, GainRun g,
                     float* al, float* ar) {
    return Groups16<Sample, kStereo, kRamp>(l, r, p, s, f, g, al, ar);
  }
};

template <typename Sample, bool kStereo, bool kRamp>
struct Narrow {
  static int32_t Run(const Sample* l, const Sample* r, uint64_t p, uint64_t s, int32_t f, GainRun g,
                     float* al, float* ar) {
    return Groups8<Sample, kStereo, kRamp, false>(l, r, p, s, f, g, al, ar);
  }
};

template <typename Sample, bool kStereo, bool kRamp>
struct NarrowShifted {
  static int32_t Run(const Sample* l, const Sample* r, uint64_t p, uint64_t s, int32_t f, GainRun g,
                     float* al, float* ar) {
    return Groups8<Sample, kStereo, kRamp, true>(l, r, p, s, f, g, al, ar);
  }
};

template <template <typename, bool, bool> class Kind, typename Sample>
int32_t RunKind(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  const bool ramp = Ramps(gains);
  if (right != nullptr) {
    return ramp ? Kind<Sample, true, true>::Run(left, right, position, step, frames, gains, accLeft,
                                                accRight)
                : Kind<Sample, true, false>::Run(left, right, position, step, frames, gains,
                                                 accLeft, accRight);
  }
  return ramp ? Kind<Sample, false, true>::Run(left, right, position, step, frames, gains, accLeft,
                                               accRight)
              : Kind<Sample, false, false>::Run(left, right, position, step, frames, gains, accLeft,
                                                accRight);
}

// ---- 16-bit sources at steps up to one frame: widened once, then the float loop ---------

// Source samples a widened run may read: 512 frames at a step of at most one frame, the
// taps around them and the loads' overrun, rounded up to whole registers.
constexpr int32_t kWidenedSamples = kMixBlockFrames + 32;

// Converts a run's 16-bit samples to floats eight at a time, kLeadGroups groups ahead of
// the loop that reads them, so that waiting for the source to come from memory overlaps
// the arithmetic of the groups before. Converted all at once before the loop, the wait had
// nothing to overlap: with hundreds of voices the conversion took as long as the loop.
template <bool kStereo>
struct WidenAhead {
  static constexpr int32_t kLeadGroups = 16;

  const int16_t* left;
  const int16_t* right;
  float* wideLeft;
  float* wideRight;
  int32_t count;     // samples the run reads, 12 .. kMixBlockFrames + 12
  int32_t done = 0;  // samples converted so far, a multiple of 8

  // A group at a step of at most one frame moves on by at most eight samples, so eight
  // more per group keep the conversion ahead of the taps.
  QUELMIRE_AVX2 void Next() {
    if (done >= count) return;
    _mm256_store_ps(wideLeft + done, LoadOne8(left + done));
    if constexpr (kStereo) _mm256_store_ps(wideRight + done, LoadOne8(right + done));
    done += 8;
  }
};

// The shifted loop reads every tap four times, and from 16-bit samples each read is a
// conversion as well; converting the run's samples to floats first leaves one conversion
// per sample and plain loads for the taps. Reads at most kPcmPadding samples past the run.
template <bool kStereo, bool kRamp>
QUELMIRE_AVX2 int32_t WidenedGroups8(const int16_t* left, const int16_t* right, uint64_t position,
                                     uint64_t step, int32_t frames, GainRun gains, float* accLeft,
                                     float* accRight) {
  const int32_t groups = frames / 8;
  if (groups == 0) return 0;
  const auto base = static_cast<int64_t>(position >> kFractionBits) - 1;
  const uint64_t last = position + static_cast<uint64_t>(8 * groups - 1) * step;
  // The last group's loads reach 10 samples past its first frame's tap (see Groups8).
  const auto count = static_cast<int32_t>(static_cast<int64_t>(last >> kFractionBits) + 11 - base);
  alignas(32) float wideLeft[kWidenedSamples];
  alignas(32) float wideRight[kWidenedSamples];
  WidenAhead<kStereo> feed{left + base, kStereo ? right + base : nullptr, wideLeft, wideRight,
                           count};
  // Group g reads up to sample 8 g + 10; the lead and one conversion per group cover it.
  for (int32_t i = 0; i < WidenAhead<kStereo>::kLeadGroups; ++i) feed.Next();
  const uint64_t rebased = position - (static_cast<uint64_t>(base) << kFractionBits);
  return Groups8<float, kStereo, kRamp, true>(wideLeft, wideRight, rebased, step, 8 * groups, gains,
                                              accLeft, accRight, feed);
}

template <typename Sample, bool kStereo, bool kRamp>
struct Widened {
  static int32_t Run(const Sample* l, const Sample* r, uint64_t p, uint64_t s, int32_t f, GainRun g,
                     float* al, float* ar) {
    return WidenedGroups8<kStereo, kRamp>(l, r, p, s, f, g, al, ar);
  }
};

int32_t MixShiftedAvx2(const float* left, const float* right, uint64_t position, uint64_t step,
                       int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  return RunKind<NarrowShifted>(left, right, position, step, frames, gains, accLeft, accRight);
}

int32_t MixShiftedAvx2(const int16_t* left, const int16_t* right, uint64_t position, uint64_t step,
                       int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  return RunKind<Widened>(left, right, position, step, frames, gains, accLeft, accRight);
}

}  // namespace

VectorLoops AvailableVectorLoops() {
  static const VectorLoops available = [] {
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if (avx2 && __builtin_cpu_supports("avx512f")) return VectorLoops::kAvx512;
    return avx2 ? VectorLoops::kAvx2 : VectorLoops::kPortable;
  }();
  return available;
}

namespace {
// Written by a test or benchmark between mixes, read by the mixer.
std::atomic<VectorLoops> vectorLoops{AvailableVectorLoops()};
}  // namespace

void LimitVectorLoops(VectorLoops widest) {
  vectorLoops.store(std::min(widest, AvailableVectorLoops()), std::memory_order_relaxed);
}

template <typename Sample>
int32_t MixHermiteX86(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                      int32_t frames, GainRun gains, float* accLeft, float* accRight) {
  const VectorLoops loops = vectorLoops.load(std::memory_order_relaxed);
  if (step <= kWideGroupMaxStep && loops == VectorLoops::kAvx512) {
    return RunKind<Wide>(left, right, position, step, frames, gains, accLeft, accRight);
  }
  if (step <= kOneFrame && loops >= VectorLoops::kAvx2) {
    return MixShiftedAvx2(left, right, position, step, frames, gains, accLeft, accRight);
  }
  if (step <= kNarrowGroupMaxStep && loops >= VectorLoops::kAvx2) {
    return RunKind<Narrow>(left, right, position, step, frames, gains, accLeft, accRight);
  }
  return 0;
}

#else  // not x86-64: the portable loop serves

VectorLoops AvailableVectorLoops() {
  return VectorLoops::kPortable;
}
void LimitVectorLoops(VectorLoops) {}

template <typename Sample>
int32_t MixHermiteX86(const Sample*, const Sample*, uint64_t, uint64_t, int32_t, GainRun, float*,
                      float*) {
  return 0;
}

#endif

template int32_t MixHermiteX86(const float*, const float*, uint64_t, uint64_t, int32_t, GainRun,
                               float*, float*);
template int32_t MixHermiteX86(const int16_t*, const int16_t*, uint64_t, uint64_t, int32_t, GainRun,
                               float*, float*);
