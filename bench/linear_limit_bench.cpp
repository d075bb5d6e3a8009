// ---- the mixer's limit: linear interpolation, hand-written, nothing else -----------------
// What mixing the mixer benchmark's material could cost at best: the same N looping voices
// (16-bit stereo, 44.1 kHz, planar, distinct gains) resampled to 48 kHz in the same
// 512-frame blocks with the same prefetching, but with two-tap linear interpolation, steady
// gains and no engine around it. x_realtime as in BM_MixLoopingVoices; the mixer's figures
// are read against these.
#include <benchmark/benchmark.h>

// GCC 12's AVX-512 intrinsics start from deliberately undefined registers, which its own
// -Wmaybe-uninitialized then reports (as in the mixer's own kernels).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "audio/mix_kernels.h"
#include "audio/mix_kernels_x86.h"
#include "audio/mixer.h"
#include "audio/sound_pcm.h"
#include "mix_material.h"

#define LIMIT_AVX2 __attribute__((target("avx2,fma")))
#define LIMIT_AVX512 __attribute__((target("avx512f,avx2,fma")))

namespace {

constexpr int32_t kDeviceRate = 48000;
constexpr int32_t kSecondsPerIteration = 60;

struct LimitVoice {
  SoundPcm pcm;
  uint64_t position = 0;  // 32.32 source frames
  float gainLeft = 0.0f;
  float gainRight = 0.0f;
};

// One frame with wrapping taps, for the few frames around a loop's end.
void MixEdgeFrame(LimitVoice& voice, uint64_t step, float* accLeft, float* accRight) {
  const int64_t length = voice.pcm.frames;
  const auto whole = static_cast<int64_t>(voice.position >> kFractionBits);
  const float t = static_cast<float>(voice.position & (kOneFrame - 1)) * 0x1p-32f;
  const int64_t next = (whole + 1) % length;
  const float left = voice.pcm.left16[static_cast<size_t>(whole)] * (1 - t) +
                     voice.pcm.left16[static_cast<size_t>(next)] * t;
  const float right = voice.pcm.right16[static_cast<size_t>(whole)] * (1 - t) +
                      voice.pcm.right16[static_cast<size_t>(next)] * t;
  *accLeft += left * voice.gainLeft;
  *accRight += right * voice.gainRight;
  voice.position += step;
  if (voice.position >= static_cast<uint64_t>(length) << kFractionBits) {
    voice.position -= static_cast<uint64_t>(length) << kFractionBits;
  }
}

LIMIT_AVX2 inline __m256 Load8(const int16_t* at) {
  return _mm256_cvtepi32_ps(
      _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))));
}

LIMIT_AVX2 inline __m256 Linear8(const int16_t* at, __m256i offset, __m256 t) {
  const __m256 a = _mm256_permutevar8x32_ps(Load8(at), offset);
  const __m256 b = _mm256_permutevar8x32_ps(Load8(at + 1), offset);
  return _mm256_fmadd_ps(t, _mm256_sub_ps(b, a), a);
}

// Eight frames a group; a step of at most one frame keeps a group's taps in eight samples.
LIMIT_AVX2 void Groups8(LimitVoice& voice, uint64_t step, int32_t groups, float* accLeft,
                        float* accRight) {
  const __m256 gainLeft = _mm256_set1_ps(voice.gainLeft * kNarrowScale);
  const __m256 gainRight = _mm256_set1_ps(voice.gainRight * kNarrowScale);
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (int32_t g = 0; g < groups; ++g) {
    const uint64_t position = voice.position;
    const auto first = static_cast<int32_t>(position >> kFractionBits);
    // Lane positions relative to the group's first frame fit in 32 bits.
    const auto fraction = static_cast<uint32_t>(position);
    const auto stepLow = static_cast<uint32_t>(step);
    const __m256i at = _mm256_add_epi32(
        _mm256_set1_epi32(static_cast<int32_t>(fraction >> 8)),
        _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int32_t>(stepLow >> 8))));
    const __m256i offset = _mm256_srli_epi32(at, 24);
    const __m256 t =
        _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(at, _mm256_set1_epi32(0xffffff))),
                      _mm256_set1_ps(0x1p-24f));
    const __m256 left = Linear8(voice.pcm.left16.data() + first, offset, t);
    const __m256 right = Linear8(voice.pcm.right16.data() + first, offset, t);
    float* outLeft = accLeft + 8 * g;
    float* outRight = accRight + 8 * g;
    _mm256_storeu_ps(outLeft, _mm256_fmadd_ps(left, gainLeft, _mm256_loadu_ps(outLeft)));
    _mm256_storeu_ps(outRight, _mm256_fmadd_ps(right, gainRight, _mm256_loadu_ps(outRight)));
    voice.position += 8 * step;
  }
}

LIMIT_AVX512 inline __m512 Load16(const int16_t* at) {
  return _mm512_cvtepi32_ps(
      _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at))));
}

LIMIT_AVX512 inline __m512 Linear16(const int16_t* at, __m512i offset, __m512 t) {
  const __m512 a = _mm512_permutexvar_ps(offset, Load16(at));
  const __m512 b = _mm512_permutexvar_ps(offset, Load16(at + 1));
  return _mm512_fmadd_ps(t, _mm512_sub_ps(b, a), a);
}

LIMIT_AVX512 void Groups16(LimitVoice& voice, uint64_t step, int32_t groups, float* accLeft,
                           float* accRight) {
  const __m512 gainLeft = _mm512_set1_ps(voice.gainLeft * kNarrowScale);
  const __m512 gainRight = _mm512_set1_ps(voice.gainRight * kNarrowScale);
  const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  for (int32_t g = 0; g < groups; ++g) {
    const uint64_t position = voice.position;
    const auto first = static_cast<int32_t>(position >> kFractionBits);
    const auto fraction = static_cast<uint32_t>(position);
    const auto stepLow = static_cast<uint32_t>(step);
    const __m512i at = _mm512_add_epi32(
        _mm512_set1_epi32(static_cast<int32_t>(fraction >> 8)),
        _mm512_mullo_epi32(lane, _mm512_set1_epi32(static_cast<int32_t>(stepLow >> 8))));
    const __m512i offset = _mm512_srli_epi32(at, 24);
    const __m512 t =
        _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_and_si512(at, _mm512_set1_epi32(0xffffff))),
                      _mm512_set1_ps(0x1p-24f));
    const __m512 left = Linear16(voice.pcm.left16.data() + first, offset, t);
    const __m512 right = Linear16(voice.pcm.right16.data() + first, offset, t);
    float* outLeft = accLeft + 16 * g;
    float* outRight = accRight + 16 * g;
    _mm512_storeu_ps(outLeft, _mm512_fmadd_ps(left, gainLeft, _mm512_loadu_ps(outLeft)));
    _mm512_storeu_ps(outRight, _mm512_fmadd_ps(right, gainRight, _mm512_loadu_ps(outRight)));
    voice.position += 16 * step;
  }
}

template <int kWidth>
void MixVoice(LimitVoice& voice, uint64_t step, int32_t frames, float* accLeft, float* accRight) {
  int32_t done = 0;
  while (done < frames) {
    // Groups while every tap of the group stays inside the sound; single frames across
    // the loop's end.
    const uint64_t limit = static_cast<uint64_t>(voice.pcm.frames - 2) << kFractionBits;
    const uint64_t inside = voice.position < limit ? (limit - voice.position) / step : 0;
    const auto groups = static_cast<int32_t>(
        std::min<uint64_t>(inside, static_cast<uint64_t>(frames - done)) / kWidth);
    if (groups > 0) {
      if constexpr (kWidth == 16) {
        Groups16(voice, step, groups, accLeft + done, accRight + done);
      } else {
        Groups8(voice, step, groups, accLeft + done, accRight + done);
      }
      done += groups * kWidth;
    } else {
      MixEdgeFrame(voice, step, accLeft + done, accRight + done);
      ++done;
    }
  }
}

void Prefetch(const LimitVoice& voice, int32_t frames, uint64_t step) {
  const auto first = static_cast<int64_t>(voice.position >> kFractionBits);
  const auto span = static_cast<int64_t>((static_cast<uint64_t>(frames) * step) >> kFractionBits);
  const int64_t to = std::min(voice.pcm.frames, first + span + 2);
  for (int64_t at = first; at < to; at += 32) {
    PrefetchLine(voice.pcm.left16.data() + at);
    PrefetchLine(voice.pcm.right16.data() + at);
  }
}

template <int kWidth>
void MixLinearLimit(benchmark::State& state) {
  const VectorLoops needed = kWidth == 16 ? VectorLoops::kAvx512 : VectorLoops::kAvx2;
  if (AvailableVectorLoops() < needed) {
    state.SkipWithError("this processor lacks the instructions");
    return;
  }
  const auto count = static_cast<int32_t>(state.range(0));
  std::vector<LimitVoice> voices(static_cast<size_t>(count));
  for (int32_t v = 0; v < count; ++v) {
    LimitVoice& voice = voices[static_cast<size_t>(v)];
    DecodedSound material = Material(v);
    material.bitsPerSample = 16;
    if (!MakeSoundPcm(material, voice.pcm) || !voice.pcm.narrow) {
      state.SkipWithError("the material did not load as 16-bit samples");
      return;
    }
    voice.gainLeft = 0.01f * static_cast<float>(1 + v % 100);
    voice.gainRight = voice.gainLeft * 0.5f;
  }
  const uint64_t step = ResampleStep(44100, kDeviceRate);
  alignas(64) float accLeft[kMixBlockFrames];
  alignas(64) float accRight[kMixBlockFrames];
  std::vector<float> out(2 * kMixBlockFrames);
  const int32_t blocks = kSecondsPerIteration * kDeviceRate / kMixBlockFrames;
  for (auto _ : state) {
    for (int32_t block = 0; block < blocks; ++block) {
      std::fill_n(accLeft, kMixBlockFrames, 0.0f);
      std::fill_n(accRight, kMixBlockFrames, 0.0f);
      for (int32_t v = 0; v < count; ++v) {
        if (v + 3 < count) Prefetch(voices[static_cast<size_t>(v + 3)], kMixBlockFrames, step);
        MixVoice<kWidth>(voices[static_cast<size_t>(v)], step, kMixBlockFrames, accLeft, accRight);
      }
      ClipInterleave(accLeft, accRight, kMixBlockFrames, out.data());
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kSecondsPerIteration, benchmark::Counter::kIsRate);
}

void BM_MixLinearLimitAvx2(benchmark::State& state) {
  MixLinearLimit<8>(state);
}
void BM_MixLinearLimitAvx512(benchmark::State& state) {
  MixLinearLimit<16>(state);
}

BENCHMARK(BM_MixLinearLimitAvx2)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixLinearLimitAvx512)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
// ---- end of the mixer's limit -------------------------------------------------------------
