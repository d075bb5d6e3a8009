// tools/assetgen/filters.h - one-pole and two-pole (biquad) filters. Coefficients
// come from the usual audio-cookbook formulas, computed with det_math.
// Threads: plain values.
#pragma once

#include <functional>

#include "tools/assetgen/sound.h"

namespace assetgen {

enum class FilterKind { kLowPass, kHighPass, kBandPass, kPeak };

class Biquad {
 public:
  // frequency: Hz, 1 .. kRate / 2; q: 0.1 .. 100; gainDb only for kPeak.
  void Design(FilterKind kind, double frequency, double q, double gainDb = 0.0);
  float Process(float x) {
    double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return static_cast<float>(y);
  }

 private:
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// One filter over a whole signal.
Mono Filter(const Mono& in, FilterKind kind, double frequency, double q = 0.707);
// A filter whose frequency follows `frequencyAt(seconds)`, redesigned every 32 frames.
Mono FilterSwept(const Mono& in, FilterKind kind, const std::function<double(double)>& frequencyAt,
                 double q);
// Band pass with the peak gain normalised to 1 at `frequency`, `q` high gives a ringing
// resonator (used for wood, metal and formants).
Mono Resonate(const Mono& in, double frequency, double q);

// First-order low pass and high pass (6 dB per octave), cutoff in Hz.
Mono OnePoleLowPass(const Mono& in, double cutoff);
Mono OnePoleHighPass(const Mono& in, double cutoff);

}  // namespace assetgen
