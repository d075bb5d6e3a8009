// ---- sound engine: the mixer under load -----------------------------------------------
// N looping voices of 16-bit stereo 44.1 kHz material with distinct volumes and pans,
// resampled to 48 kHz stereo; each iteration pulls 60 s of output through the engine in
// 512-frame device buffers. x_realtime = seconds of output per second of work.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "audio/mix_kernels.h"
#include "audio/mix_kernels_x86.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "audio/sound_pcm.h"
#include "mix_material.h"

namespace {

constexpr int32_t kDeviceRate = 48000;
constexpr int32_t kPullFrames = 512;

void MixLoopingVoices(benchmark::State& state, bool remixEveryTick) {
  const auto voices = static_cast<int32_t>(state.range(0));
  PulledOutput output;
  const std::vector<int32_t> sounds = StartLoopingVoices(state, output, voices, true);
  if (state.error_occurred()) return;
  const int32_t pullsPerTick =
      kDeviceRate / kPullFrames / 58;  // the game re-mixes 58 times a second
  PullSixtySecondsEach(state, output, [&](int32_t pull) {
    if (!remixEveryTick || pull % pullsPerTick != 0) return;
    for (int32_t v = 0; v < voices; ++v) {
      SoundSetVolume(sounds[static_cast<size_t>(v)], 1 + (v + pull) % 100);
      SoundSetPan(sounds[static_cast<size_t>(v)], (v + pull) % 201 - 100);
    }
  });
}

void BM_MixLoopingVoices(benchmark::State& state) {
  MixLoopingVoices(state, false);
}
// The same with the AVX2 loops, as on a processor without AVX-512.
void BM_MixLoopingVoicesAvx2Only(benchmark::State& state) {
  LimitVectorLoops(VectorLoops::kAvx2);
  MixLoopingVoices(state, false);
  LimitVectorLoops(VectorLoops::kAvx512);
}
void BM_MixLoopingVoicesRemixedEveryTick(benchmark::State& state) {
  MixLoopingVoices(state, true);
}

BENCHMARK(BM_MixLoopingVoices)
    ->Arg(16)
    ->Arg(64)
    ->Arg(256)
    ->Arg(1024)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixLoopingVoicesAvx2Only)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixLoopingVoicesRemixedEveryTick)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
// ---- end of sound engine --------------------------------------------------------------

// ---- one voice's inner loop alone, its samples in the nearest cache ---------------------
// A looping 16-bit stereo sound of 2,000 frames at 44.1 kHz mixed into one 512-frame block
// over and over with the AVX2 loops: what the interpolation itself costs, apart from the
// memory traffic of hundreds of voices. frames_per_us = output frames mixed per microsecond.
namespace {

void BM_MixVoiceInCacheAvx2(benchmark::State& state) {
  LimitVectorLoops(VectorLoops::kAvx2);
  DecodedSound material = Material(0);
  material.frames = 2000;
  material.samples.resize(4000);
  SoundPcm pcm;
  if (!MakeSoundPcm(material, pcm)) {
    state.SkipWithError("the material did not load");
    return;
  }
  VoiceRender render;
  render.gains = render.target = {0.5f, 0.25f};
  render.looping = true;
  render.ended = false;
  const uint64_t step = ResampleStep(44100, kDeviceRate);
  alignas(64) float left[kMixBlockFrames] = {};
  alignas(64) float right[kMixBlockFrames] = {};
  for (auto _ : state) {
    MixVoice(pcm, render, step, kMixBlockFrames, left, right);
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(right);
  }
  state.counters["frames_per_us"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kMixBlockFrames / 1e6, benchmark::Counter::kIsRate);
  LimitVectorLoops(VectorLoops::kAvx512);
}
BENCHMARK(BM_MixVoiceInCacheAvx2);

}  // namespace

// ---- the master bus's last guard: is every sample of a block a finite number -------------
// One kMixBlockFrames stereo block of a loud mix checked, as the mixer checks each block
// before the limiter. frames_per_us = frames checked per microsecond; against the mix of
// even one voice (BM_MixVoiceInCacheAvx2) it is what the guard adds.
namespace {

void BM_MasterGuardBlock(benchmark::State& state) {
  alignas(64) float left[kMixBlockFrames];
  alignas(64) float right[kMixBlockFrames];
  for (int32_t i = 0; i < kMixBlockFrames; ++i) {
    left[i] = 0.9f * static_cast<float>(i % 17) / 17.0f;
    right[i] = -left[i];
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(AllFinite(left, right, kMixBlockFrames));
  }
  state.counters["frames_per_us"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kMixBlockFrames / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MasterGuardBlock);

}  // namespace
