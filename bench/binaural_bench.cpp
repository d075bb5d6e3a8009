// ---- headphones: voices heard through the ring of head-related filters -------------------
// N looping voices of 16-bit mono 44.1 kHz material (the game's positioned sounds are mono)
// with distinct volumes, resampled to 48 kHz; each iteration pulls 60 s of output in
// 512-frame device buffers, every voice given a direction of its own (binaural) or a pan of
// its own (stereo, the same material in the same run). x_realtime = seconds of output per
// second of work.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/hrtf_ring.h"
#include "audio/mix_kernels_x86.h"
#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "mix_material.h"

namespace {

constexpr const char* kSet = QUELMIRE_HRTF_SET;

// The left channel of the engine benchmarks' material.
DecodedSound MonoMaterial(int32_t voice) {
  DecodedSound stereo = Material(voice);
  DecodedSound mono = stereo;
  mono.channels = 1;
  mono.samples.resize(static_cast<size_t>(stereo.frames));
  for (int64_t i = 0; i < stereo.frames; ++i) {
    mono.samples[static_cast<size_t>(i)] = stereo.samples[static_cast<size_t>(2 * i)];
  }
  return mono;
}

// The default set, read for the open output and put in use.
bool HeadphonesOn(std::string& why) {
  std::optional<HrtfRing> set = LoadHrtfRing(kSet, SoundOutputRate(), why);
  return set && SoundUseHeadphones(*set, why);
}

void MixMonoVoices(benchmark::State& state, bool binaural, VectorLoops loops) {
  LimitVectorLoops(loops);
  const auto voices = static_cast<int32_t>(state.range(0));
  PulledOutput output;
  InstallAudioOutput(&output);
  std::string why;
  if (SoundInit() == 0 || (binaural && !HeadphonesOn(why))) {
    state.SkipWithError(("the engine did not start: " + why).c_str());
    return;
  }
  for (int32_t v = 0; v < voices; ++v) {
    const int32_t sound = SoundLoadDecoded(kNewHandle, MonoMaterial(v));
    SoundSetPan(sound, v % 201 - 100);
    if (binaural) SoundSetDirection(sound, static_cast<float>(v * 137 % 360));
    SoundPlay(sound, kLooped, 1 + v % 100);
  }
  PullSixtySecondsEach(state, output, [](int32_t) {});
  LimitVectorLoops(VectorLoops::kAvx512);
}

void BM_MixMonoStereoAvx2(benchmark::State& state) {
  MixMonoVoices(state, false, VectorLoops::kAvx2);
}
void BM_MixMonoBinauralAvx2(benchmark::State& state) {
  MixMonoVoices(state, true, VectorLoops::kAvx2);
}
void BM_MixMonoStereoAvx512(benchmark::State& state) {
  MixMonoVoices(state, false, VectorLoops::kAvx512);
}
void BM_MixMonoBinauralAvx512(benchmark::State& state) {
  MixMonoVoices(state, true, VectorLoops::kAvx512);
}

BENCHMARK(BM_MixMonoStereoAvx2)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixMonoBinauralAvx2)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixMonoStereoAvx512)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixMonoBinauralAvx512)->Arg(64)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
// ---- end of headphones ---------------------------------------------------------------------
