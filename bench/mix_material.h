// What the sound engine's benchmarks mix: an output that the benchmark pulls at its own
// pace, and looping 16-bit stereo material at 44.1 kHz.
#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/audio_output.h"
#include "audio/decoded_sound.h"
#include "audio/sound.h"
#include "audio/sound_engine.h"

// An output that only remembers its source, so the benchmark pulls at its own pace.
class PulledOutput final : public AudioOutput {
 public:
  bool Open(AudioSource& source) override {
    source_ = &source;
    return true;
  }
  void Close() override { source_ = nullptr; }
  int32_t OpenRate() const override { return 48000; }  // the rate the benchmarks pull at
  AudioSource* source() const { return source_; }

 private:
  AudioSource* source_ = nullptr;
};

// Half a second or so of a 16-bit stereo chord, a little longer for each voice so that
// the wraps fall at different places.
inline DecodedSound Material(int32_t voice) {
  DecodedSound sound;
  sound.channels = 2;
  sound.rate = 44100;
  sound.bitsPerSample = 16;
  sound.frames = 22050 + voice % 64 * 7;
  sound.samples.resize(static_cast<size_t>(sound.frames) * 2);
  for (int64_t i = 0; i < sound.frames; ++i) {
    const double t = static_cast<double>(i) / sound.rate;
    const double left = 0.3 * std::sin(6.2831853 * (220.0 + voice) * t);
    const double right = 0.3 * std::sin(6.2831853 * (330.0 + voice) * t);
    sound.samples[static_cast<size_t>(2 * i)] = std::round(left * 32767.0) / 32768.0f;
    sound.samples[static_cast<size_t>(2 * i + 1)] = std::round(right * 32767.0) / 32768.0f;
  }
  return sound;
}

// Starts the engine on `output` and loops `voices` voices of Material at volumes 1 .. 100,
// spread over the pans -100 .. 100 when `panned`; their sound numbers. When the engine
// does not start the benchmark is told (state.error_occurred()) and none are made.
inline std::vector<int32_t> StartLoopingVoices(benchmark::State& state, PulledOutput& output,
                                               int32_t voices, bool panned) {
  InstallAudioOutput(&output);
  if (SoundInit() == 0) {
    state.SkipWithError("the engine did not start");
    return {};
  }
  std::vector<int32_t> sounds;
  for (int32_t v = 0; v < voices; ++v) {
    const int32_t sound = SoundLoadDecoded(-1, Material(v));
    if (panned) SoundSetPan(sound, v % 201 - 100);
    SoundPlay(sound, 1, 1 + v % 100);
    sounds.push_back(sound);
  }
  return sounds;
}

// Each iteration pulls 60 s of output from the engine in 512-frame device buffers at 48 kHz,
// `beforePull(pull)` run before every pull; x_realtime = seconds of output per second of work.
// Then shuts the engine down and takes the output away.
template <typename BeforePull>
void PullSixtySecondsEach(benchmark::State& state, PulledOutput& output, BeforePull beforePull) {
  constexpr int32_t kRate = 48000, kFrames = 512, kSeconds = 60;
  std::vector<float> buffer(static_cast<size_t>(kFrames) * kOutputChannels);
  const int32_t pulls = kSeconds * kRate / kFrames;
  for (auto _ : state) {
    for (int32_t pull = 0; pull < pulls; ++pull) {
      beforePull(pull);
      output.source()->Render(buffer.data(), kFrames, kRate);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
  SoundShutdown();
  InstallAudioOutput(nullptr);
}
