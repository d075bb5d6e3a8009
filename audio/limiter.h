// audio/limiter.h - the master limiter: turns the whole mix down, smoothly, while the sum
// of the voices would go past full scale, so that a loud moment is heard quieter instead of
// crackling against the clip. Below full scale it does nothing at all (the loudness laws
// hold sample for sample); the hard clip after it stays as the last guard.
// Threads: the mixer thread's own.
#pragma once

#include <cstdint>

// Gain reduction is held this long after the last peak that reached the ceiling (longer
// than one period of the lowest tones, so that it does not follow the waveform)...
inline constexpr int32_t kLimiterHoldMs = 25;
// ...and then returns to unity at this pace: from half gain in half this time.
inline constexpr int32_t kLimiterReleaseMs = 200;

class PeakLimiter {
 public:
  // Scales planar left/right (`frames` frames at `rate` frames per second) in place so that
  // no sample exceeds 1 in magnitude: a frame that would is brought to exactly full scale
  // at once; the gain found stays while peaks past full scale keep coming that it brings to
  // within 0.2 dB of it, and for the hold time after; then it rises linearly back to 1.
  void Process(float* left, float* right, int32_t frames, int32_t rate);

  float gain() const { return gain_; }

 private:
  float gain_ = 1.0f;       // applied to the next frame; 1 when idle
  int32_t holdFrames_ = 0;  // frames left before the gain may rise
};
