// tools/assetgen/effects.h - echo, reverb, saturation and resampling.
// Threads: pure functions.
#pragma once

#include "tools/assetgen/sound.h"

namespace assetgen {

// Feedback delay: repeats every `delay` seconds, each `feedback` (0 .. 0.95) times the
// last and darkened by a low pass at `damping` Hz. The result is `tail` seconds longer.
Mono Echo(const Mono& in, double delay, double feedback, double damping, double tail);

struct ReverbSettings {
  double room = 0.7;     // 0 .. 1: decay time of the tail
  double damping = 0.4;  // 0 .. 1: how fast the highs die away
  double wet = 0.3;      // level of the reverberated signal
  double dry = 1.0;      // level of the direct signal
  double width = 1.0;    // 0 (mono tail) .. 1 (full stereo tail)
  double tail = 1.5;     // seconds added to the end
};
// A small comb-and-allpass room, mono in, stereo out.
Sound Reverb(const Mono& in, const ReverbSettings& settings);
// The same room, mono in and out (the left channel of the room).
Mono ReverbMono(const Mono& in, const ReverbSettings& settings);

// Soft clip: tanh(drive * x) / tanh(drive).
Mono Saturate(const Mono& in, double drive);
// Sample-and-hold to `hold` frames and rounding to `levels` steps: harsh digital grit.
Mono Crush(const Mono& in, int hold, int levels);

// Cubic (Catmull-Rom) resampling from `fromRate` to kRate frames per second.
Mono Resample(const Mono& in, int fromRate);

}  // namespace assetgen
