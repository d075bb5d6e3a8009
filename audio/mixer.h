// audio/mixer.h - the software mixer: sums playing voices into the stereo float stream the
// output device pulls, resampling each to the device rate and ramping gain changes.
// Threads: the mixer thread (the output device's). TakeControl must run where the voice's
// control is safe to read (under the engine lock); Render touches only `pcm` and `render`.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/mix_kernels.h"
#include "audio/voice.h"

// A gain change is spread over this long so that the per-tick re-mix never clicks or zips.
inline constexpr int32_t kGainRampMs = 5;

// Output frames of a gain ramp at `deviceRate` (frames per second); at least 1.
int32_t GainRampFrames(int32_t deviceRate);

// Source frames per output frame, 32.32 fixed point, rounded to nearest.
uint64_t ResampleStep(int32_t sourceRate, int32_t deviceRate);

// Brings `voice.render` up to `voice.control`: a new SoundPlay restarts it at sample 0 at
// its target gains at once; a changed level or pan starts a ramp from the current gains.
void TakeControl(Voice& voice, int32_t deviceRate);

class Mixer {
 public:
  // Writes `frames` interleaved stereo frames (left first, -1 .. 1) of every voice in
  // `voices` into `out` (2 x frames floats) at `deviceRate` frames per second. Voices that
  // have ended contribute nothing; a once-played voice sets `render.ended` after its last
  // sample.
  void Render(const std::vector<std::shared_ptr<Voice>>& voices, float* out, int32_t frames,
              int32_t deviceRate);

 private:
  alignas(64) float accLeft_[kMixBlockFrames];
  alignas(64) float accRight_[kMixBlockFrames];
};

// Adds `frames` (1 .. kMixBlockFrames) of one voice into the accumulators.
void MixVoice(const SoundPcm& pcm, VoiceRender& render, uint64_t step, int32_t frames,
              float* accLeft, float* accRight);
