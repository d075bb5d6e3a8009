// audio/sound_pcm.h - a loaded sound's whole PCM as the mixer reads it: one float array per
// channel, so that the inner loops read each channel as a plain stream.
// Threads: built on the loading thread, immutable afterwards, read by the mixer.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/decoded_sound.h"

inline constexpr int32_t kMinSoundRate = 8000;    // frames per second
inline constexpr int32_t kMaxSoundRate = 192000;  // frames per second
inline constexpr int64_t kMaxSoundFrames = 1LL
                                           << 30;  // keeps 32.32 positions and int32 indices safe
// Zero samples after the last frame of each channel: the vector loops load whole registers
// around their taps and may read up to 29 samples past the last tap (the values read there are
// unused).
inline constexpr int64_t kPcmPadding = 32;

struct SoundPcm {
  int32_t channels = 0;      // 1 (mono: `left` only) or 2
  int32_t rate = 0;          // frames per second, kMinSoundRate .. kMaxSoundRate
  int64_t frames = 0;        // 1 .. kMaxSoundFrames
  std::vector<float> left;   // frames + kPcmPadding samples, -1 .. 1 (a mono sound's only one)
  std::vector<float> right;  // frames + kPcmPadding samples for stereo, empty for mono
};

// Splits `decoded` into channels. False, leaving `pcm` untouched, for a sound the mixer
// cannot play: no frames, more than two channels, a rate outside 8..192 kHz, or a sample
// count that does not match the frame count.
bool MakeSoundPcm(const DecodedSound& decoded, SoundPcm& pcm);
