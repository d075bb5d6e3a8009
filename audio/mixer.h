// audio/mixer.h - the software mixer: sums playing voices into the stereo float stream the
// output device pulls, resampling each to the device rate and ramping gain changes.
// Threads: the mixer thread (the output device's), on renders it owns; pure otherwise.
#pragma once

#include <cstdint>

#include "audio/limiter.h"
#include "audio/mix_kernels.h"
#include "audio/voice.h"

class RingRenderer;

// A gain change is spread over this long so that the per-tick re-mix never clicks or zips.
inline constexpr int32_t kGainRampMs = 5;

// Output frames of a gain ramp at `deviceRate` (frames per second); at least 1.
int32_t GainRampFrames(int32_t deviceRate);

// Source frames per output frame, 32.32 fixed point, rounded to nearest.
uint64_t ResampleStep(int32_t sourceRate, int32_t deviceRate);

// Brings `render` up to a playing `control`: a new SoundPlay (another `starts`) restarts it
// at sample 0 at its target gains at once; a changed level or pan starts a ramp from the
// current gains. With a direction (not kNoDirection) the voice is heard through the ring of
// directions instead of the pan, and a changed direction ramps the same way.
void TakeControl(VoiceRender& render, const VoiceControl& control, int32_t deviceRate,
                 int32_t directionCd = kNoDirection);

// Turns `render` into a wave fading from its current gains to silence over one gain ramp,
// the way every stop ends a sound without a click.
void StartFadeOut(VoiceRender& render, int32_t deviceRate);

// True when nothing more of `render` can be heard: it ended, or its gains reached zero and
// stay there.
bool Silent(const VoiceRender& render);

// One wave to mix: a sound's samples and a position in them.
struct MixStream {
  const SoundPcm* pcm;
  VoiceRender* render;
};

class Mixer {
 public:
  // Writes `frames` interleaved stereo frames (left first, -1 .. 1) of the `count` streams
  // into `out` (2 x frames floats) at `deviceRate` frames per second, through the limiter
  // and then the clip. A block of the mix that is not all finite numbers goes out as
  // silence, with `ring` and the limiter reset (whatever made it, nothing but finite
  // samples within full scale ever leaves); the answer is how many blocks were. Streams that have
  // ended contribute nothing; a once-played one sets `render.ended` after its last sample. Streams
  // heard through the ring of directions go through `ring`, which must be for `deviceRate` (without
  // one they end). Touches nothing but the streams, `ring` and `out`.
  int32_t Render(const MixStream* streams, int32_t count, float* out, int32_t frames,
                 int32_t deviceRate, RingRenderer* ring = nullptr);

  // Forgets what the last mix left behind (a gain reduction in progress), for a new output.
  void Reset() { limiter_ = PeakLimiter{}; }

 private:
  alignas(64) float accLeft_[kMixBlockFrames];
  alignas(64) float accRight_[kMixBlockFrames];
  PeakLimiter limiter_;
};

// Adds `frames` (1 .. kMixBlockFrames) of one voice into the accumulators.
void MixVoice(const SoundPcm& pcm, VoiceRender& render, uint64_t step, int32_t frames,
              float* accLeft, float* accRight);

// Adds `frames` (1 .. kMixBlockFrames) of one voice heard through the ring into its buses.
void MixVoiceIntoRing(const SoundPcm& pcm, VoiceRender& render, uint64_t step, int32_t frames,
                      RingRenderer& ring);
