// audio/mix_kernels.h - the mixer's inner loops: add one voice's frames into planar float
// accumulators, with or without resampling, at steady or ramping gains.
// Threads: pure functions; any thread.
//
// Sources are planar, one array per channel, of float (-1 .. 1) or of 16-bit integers
// (-32768 .. 32767, for sounds that came from 16-bit files: half the memory and half the
// memory traffic). The loops add raw sample values times the gains; the caller folds the
// 1/32768 of 16-bit samples into the gains.
//
// Positions are unsigned 32.32 fixed point in source frames. Resampling uses 4-point,
// third-order Hermite (Catmull-Rom) interpolation: continuous in value and slope, four taps
// and about ten operations per channel, with the images of material well below Nyquist
// some 40-50 dB down - as good as cubic without the tables and the 8-16 taps of a windowed
// sinc, which would cost two to four times as much for a thousand voices.
#pragma once

#include <cstdint>

// The most output frames one kernel call handles (the mixer's block).
inline constexpr int32_t kMixBlockFrames = 512;

inline constexpr int kFractionBits = 32;
inline constexpr uint64_t kOneFrame = uint64_t{1} << kFractionBits;

// Gains for one run of frames: factors at the first frame and their change per frame
// (both steps 0 for steady gains, which takes the cheaper loop).
struct GainRun {
  float left = 0.0f;
  float right = 0.0f;
  float leftStep = 0.0f;
  float rightStep = 0.0f;
};

inline bool Ramps(const GainRun& gains) {
  return gains.leftStep != 0.0f || gains.rightStep != 0.0f;
}

// One Hermite-interpolated value between x0 and x1 at t (0 .. 1), from the taps around it.
inline float Hermite(float xm1, float x0, float x1, float x2, float t) {
  const float c1 = 0.5f * (x1 - xm1);
  const float c2 = xm1 - 2.5f * x0 + 2.0f * x1 - 0.5f * x2;
  const float c3 = 0.5f * (x2 - xm1) + 1.5f * (x0 - x1);
  return ((c3 * t + c2) * t + c1) * t + x0;
}

// Adds `frames` (1 .. kMixBlockFrames) interpolated frames read from `position` onward,
// advancing `step` per frame. `right` null means a mono source heard on both sides. Every
// tap must lie inside the source: for the last frame's index k, k - 1 >= 0 and k + 2 < the
// source's length; the source must have kPcmPadding readable samples after its end.
template <typename Sample>
void MixHermite(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                int32_t frames, GainRun gains, float* accLeft, float* accRight);

// The portable loop of MixHermite, which it uses where no hand-written one applies.
template <typename Sample>
void MixHermitePortable(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                        int32_t frames, GainRun gains, float* accLeft, float* accRight);

// Frames `done` .. `frames` of a MixHermite run through the portable loop, the position and
// the gains moved on by `done` frames: what a hand-written loop that took `done` leaves.
template <typename Sample>
void MixHermiteRest(const Sample* left, const Sample* right, uint64_t position, uint64_t step,
                    int32_t done, int32_t frames, GainRun gains, float* accLeft, float* accRight);

// Adds `frames` (1 .. kMixBlockFrames) source frames one for one (equal rates).
template <typename Sample>
void MixDirect(const Sample* left, const Sample* right, int32_t frames, GainRun gains,
               float* accLeft, float* accRight);

// Asks the memory system for the cache line at `address`. Written as an instruction the
// compiler must keep: GCC counts __builtin_prefetch free of effects and deletes a loop that
// does nothing else.
inline void PrefetchLine(const void* address) {
#if defined(__x86_64__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
  __builtin_prefetch(address);
#endif
}

// True when every one of `frames` samples of both channels is a finite number. One pass
// that the compiler vectorises: the largest exponent field, all ones only for NaN and
// infinity.
bool AllFinite(const float* left, const float* right, int32_t frames);

// Clips planar left/right to -1 .. 1 and interleaves them into `out` (2 x frames floats).
void ClipInterleave(const float* accLeft, const float* accRight, int32_t frames, float* out);
