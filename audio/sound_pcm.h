// audio/sound_pcm.h - a loaded sound's whole PCM as the mixer reads it: one array per
// channel, so that the inner loops read each channel as a plain stream.
// Threads: built on the loading thread, immutable afterwards, read by the mixer.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/decoded_sound.h"

inline constexpr int32_t kMinSoundRate = 8000;         // frames per second
inline constexpr int32_t kMaxSoundRate = 192000;       // frames per second
inline constexpr int64_t kMaxSoundFrames = 1LL << 30;  // keeps 32.32 positions and indices safe
// Zero samples after the last frame of each channel: the vector loops load whole registers
// around their taps and may read up to 29 samples past the last tap (values they ignore).
inline constexpr int64_t kPcmPadding = 32;
// A 16-bit sample's value as a float: sample x kNarrowScale.
inline constexpr float kNarrowScale = 1.0f / 32768.0f;

struct SoundPcm {
  int32_t channels = 0;  // 1 (mono: the left array only) or 2
  int32_t rate = 0;      // frames per second, kMinSoundRate .. kMaxSoundRate
  int64_t frames = 0;    // 1 .. kMaxSoundFrames
  // The samples are kept as 16-bit integers when that loses nothing (the sound came from a
  // file of 16 bits or fewer), else as floats. Each array in use holds frames + kPcmPadding
  // samples; the other kind stays empty.
  bool narrow = false;
  std::vector<float> left;  // -1 .. 1
  std::vector<float> right;
  std::vector<int16_t> left16;  // -32768 .. 32767, value x kNarrowScale
  std::vector<int16_t> right16;
};

// Splits `decoded` into channels. False, leaving `pcm` untouched, for a sound the mixer
// cannot play: no frames, more than two channels, a rate outside 8..192 kHz, or a sample
// count that does not match the frame count; or when memory runs out.
bool MakeSoundPcm(const DecodedSound& decoded, SoundPcm& pcm);
