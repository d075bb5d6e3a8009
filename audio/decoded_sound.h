// audio/decoded_sound.h - a sound file's samples after loading, in the one form the
// engine takes them: interleaved 32-bit float.
// Threads: a plain value; whoever holds it owns it.
#pragma once

#include <cstdint>
#include <vector>

struct DecodedSound {
  int32_t channels = 0;        // 1 (mono) or 2 (stereo, left first)
  int32_t rate = 0;            // frames per second, 8000 .. 192000
  int32_t bitsPerSample = 0;   // of the source data: 8, 16, 24 or 32
  bool floatSource = false;    // the source held 32-bit float samples
  int64_t frames = 0;          // samples per channel
  std::vector<float> samples;  // channels * frames values, interleaved, -1 .. 1
};
