// audio/master_gain.h - the player's master volume, applied to the finished mix (after the
// limiter and the clip), so that turning the whole game down changes no law inside it.
// A change glides over one gain ramp (kGainRampMs), as every voice's gain change does,
// so that no press clicks. At 0 dB it leaves the mix untouched, sample for sample.
// Threads: SetLevel on any game thread; Apply and Reset on the mixer thread (or with no
// output pulling). The wanted level is a relaxed atomic; the rest is the mixer's own.
#pragma once

#include <atomic>
#include <cstdint>

class MasterGain {
 public:
  // The wanted level in hundredths of a dB, -10000 (silence) .. 0 (the mix as it is);
  // clamped into that range.
  void SetLevel(int32_t levelCb);
  int32_t Level() const { return wantedCb_.load(std::memory_order_relaxed); }

  // Scales `frames` interleaved stereo frames of `out` at `rate` frames per second.
  void Apply(float* out, int32_t frames, int32_t rate);

  // Back to 0 dB at once, for a new output.
  void Reset();

 private:
  std::atomic<int32_t> wantedCb_{0};
  int32_t appliedCb_ = 0;   // the level the gain is at or ramping to
  float gain_ = 1.0f;       // applied to the next frame
  float target_ = 1.0f;     // amplitude of appliedCb_
  float step_ = 0.0f;       // per frame, while rampFrames_ > 0
  int32_t rampFrames_ = 0;  // frames left of the ramp
};
