#include "tools/assetgen/filters.h"

#include <algorithm>

#include "tools/assetgen/det_math.h"

namespace assetgen {

void Biquad::Design(FilterKind kind, double frequency, double q, double gainDb) {
  frequency = std::clamp(frequency, 1.0, kRate * 0.49);
  double w = kTwoPi * frequency / kRate;
  double cosW = Cos(w);
  double alpha = Sin(w) / (2.0 * q);
  double b0, b1, b2, a0, a1, a2;
  switch (kind) {
    case FilterKind::kLowPass:
      b0 = (1 - cosW) / 2, b1 = 1 - cosW, b2 = (1 - cosW) / 2;
      a0 = 1 + alpha, a1 = -2 * cosW, a2 = 1 - alpha;
      break;
    case FilterKind::kHighPass:
      b0 = (1 + cosW) / 2, b1 = -(1 + cosW), b2 = (1 + cosW) / 2;
      a0 = 1 + alpha, a1 = -2 * cosW, a2 = 1 - alpha;
      break;
    case FilterKind::kBandPass:  // 0 dB peak gain
      b0 = alpha, b1 = 0, b2 = -alpha;
      a0 = 1 + alpha, a1 = -2 * cosW, a2 = 1 - alpha;
      break;
    case FilterKind::kPeak:
    default: {
      double a = DbToGain(gainDb / 2.0);
      b0 = 1 + alpha * a, b1 = -2 * cosW, b2 = 1 - alpha * a;
      a0 = 1 + alpha / a, a1 = -2 * cosW, a2 = 1 - alpha / a;
      break;
    }
  }
  b0_ = b0 / a0, b1_ = b1 / a0, b2_ = b2 / a0, a1_ = a1 / a0, a2_ = a2 / a0;
}

Mono Filter(const Mono& in, FilterKind kind, double frequency, double q) {
  Biquad f;
  f.Design(kind, frequency, q);
  Mono out(in.size());
  for (size_t i = 0; i < in.size(); ++i) out[i] = f.Process(in[i]);
  return out;
}

Mono FilterSwept(const Mono& in, FilterKind kind, const std::function<double(double)>& frequencyAt,
                 double q) {
  constexpr size_t kBlock = 32;
  Biquad f;
  Mono out(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    if (i % kBlock == 0) f.Design(kind, frequencyAt(static_cast<double>(i) / kRate), q);
    out[i] = f.Process(in[i]);
  }
  return out;
}

Mono Resonate(const Mono& in, double frequency, double q) {
  return Filter(in, FilterKind::kBandPass, frequency, q);
}

Mono OnePoleLowPass(const Mono& in, double cutoff) {
  double a = Exp(-kTwoPi * cutoff / kRate);
  Mono out(in.size());
  double y = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    y = (1 - a) * in[i] + a * y;
    out[i] = static_cast<float>(y);
  }
  return out;
}

Mono OnePoleHighPass(const Mono& in, double cutoff) {
  Mono low = OnePoleLowPass(in, cutoff);
  Mono out(in.size());
  for (size_t i = 0; i < in.size(); ++i) out[i] = in[i] - low[i];
  return out;
}

}  // namespace assetgen
