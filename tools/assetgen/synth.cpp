#include "tools/assetgen/synth.h"

#include <cmath>

#include "tools/assetgen/det_math.h"

namespace assetgen {
namespace {

// One cycle of sine in 4096 steps, read with linear interpolation: the error is below
// 3e-7 (-130 dB), far cheaper than the series for every sample of every oscillator.
constexpr int kTableSize = 4096;

const std::vector<double>& SineTable() {
  static const std::vector<double> table = [] {
    std::vector<double> t(kTableSize + 1);
    for (int i = 0; i <= kTableSize; ++i) t[static_cast<size_t>(i)] = Sin(kTwoPi * i / kTableSize);
    return t;
  }();
  return table;
}

}  // namespace

double TableSin(double cycles) {
  const std::vector<double>& table = SineTable();
  double position = (cycles - std::floor(cycles)) * kTableSize;
  auto index = static_cast<size_t>(position);
  if (index >= kTableSize) index = kTableSize - 1;
  double u = position - static_cast<double>(index);
  return table[index] + u * (table[index + 1] - table[index]);
}

Mono Sine(double seconds, double frequency, double phase) {
  Mono out(static_cast<size_t>(Frames(seconds)));
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<float>(Sin(phase + kTwoPi * frequency * static_cast<double>(i) / kRate));
  }
  return out;
}

Mono Glide(double seconds, const Curve& frequencyAt) {
  return Harmonic(seconds, frequencyAt, {1.0});
}

Mono Harmonic(double seconds, const Curve& frequencyAt, const std::vector<double>& amplitudes) {
  Mono out(static_cast<size_t>(Frames(seconds)));
  double phase = 0.0;  // cycles, kept in 0 .. 1
  for (size_t i = 0; i < out.size(); ++i) {
    double f = frequencyAt(static_cast<double>(i) / kRate);
    double s1 = TableSin(phase), c1 = TableSin(phase + 0.25);
    // sin(k x) by the recurrence sin((k+1)x) = 2 cos x sin(kx) - sin((k-1)x).
    double previous = 0.0, current = s1, sum = 0.0;
    for (size_t k = 1; k <= amplitudes.size(); ++k) {
      if (f * static_cast<double>(k) > 20000.0) break;
      sum += amplitudes[k - 1] * current;
      double next = 2.0 * c1 * current - previous;
      previous = current;
      current = next;
    }
    out[i] = static_cast<float>(sum);
    phase += f / kRate;
    phase -= std::floor(phase);
  }
  return out;
}

std::vector<double> SawPartials(int count) {
  std::vector<double> a(static_cast<size_t>(count));
  for (int k = 1; k <= count; ++k) a[static_cast<size_t>(k - 1)] = 1.0 / k;
  return a;
}

std::vector<double> SquarePartials(int count) {
  std::vector<double> a(static_cast<size_t>(count), 0.0);
  for (int k = 1; k <= count; k += 2) a[static_cast<size_t>(k - 1)] = 1.0 / k;
  return a;
}

Mono Struck(double seconds, double frequency, const std::vector<Partial>& partials) {
  Mono out(static_cast<size_t>(Frames(seconds)), 0.0f);
  for (const Partial& p : partials) {
    double f = frequency * p.ratio;
    if (f > 20000.0) continue;
    double step = Exp(-1.0 / (p.decay * kRate));
    double level = p.amplitude;
    for (size_t i = 0; i < out.size(); ++i) {
      out[i] += static_cast<float>(level * Sin(kTwoPi * f * static_cast<double>(i) / kRate));
      level *= step;
    }
  }
  return out;
}

Mono WhiteNoise(double seconds, Rng& rng) {
  Mono out(static_cast<size_t>(Frames(seconds)));
  for (float& s : out) s = static_cast<float>(rng.Bipolar());
  return out;
}

Mono PinkNoise(double seconds, Rng& rng) {
  // Sum of one-pole filtered white noises (a well-known economical approximation).
  Mono out(static_cast<size_t>(Frames(seconds)));
  double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
  for (float& s : out) {
    double w = rng.Bipolar();
    b0 = 0.99886 * b0 + w * 0.0555179;
    b1 = 0.99332 * b1 + w * 0.0750759;
    b2 = 0.96900 * b2 + w * 0.1538520;
    b3 = 0.86650 * b3 + w * 0.3104856;
    b4 = 0.55000 * b4 + w * 0.5329522;
    b5 = -0.7616 * b5 - w * 0.0168980;
    s = static_cast<float>((b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362) * 0.2);
    b6 = w * 0.115926;
  }
  return out;
}

Mono BrownNoise(double seconds, Rng& rng) {
  Mono out(static_cast<size_t>(Frames(seconds)));
  double y = 0.0;
  for (float& s : out) {
    y = 0.998 * y + 0.05 * rng.Bipolar();  // leaky, so it never drifts away
    s = static_cast<float>(y);
  }
  return out;
}

Mono Crackle(double seconds, double perSecond, Rng& rng) {
  Mono out(static_cast<size_t>(Frames(seconds)), 0.0f);
  double chance = perSecond / kRate;
  for (float& s : out) {
    if (rng.Uniform() < chance) {
      double size = rng.Uniform();
      s = static_cast<float>((rng.Uniform() < 0.5 ? -1.0 : 1.0) * size * size);
    }
  }
  return out;
}

Mono RandomGate(size_t frames, double openChance, double closed, double shortest, double longest,
                Rng& rng) {
  Mono gate(frames);
  double level = 1.0, next = 0.0;
  for (size_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / kRate;
    if (t >= next) {
      level = rng.Uniform() < openChance ? 1.0 : closed;
      next = t + rng.Range(shortest, longest);
    }
    gate[i] = static_cast<float>(level);
  }
  return gate;
}

Mono Segments(double seconds, const std::vector<std::pair<double, double>>& points) {
  return Sampled(seconds, [&points](double t) {
    if (points.empty()) return 0.0;
    if (t <= points.front().first) return points.front().second;
    for (size_t k = 1; k < points.size(); ++k) {
      if (t < points[k].first) {
        double t0 = points[k - 1].first, t1 = points[k].first;
        double u = (t - t0) / (t1 - t0);
        return points[k - 1].second + u * (points[k].second - points[k - 1].second);
      }
    }
    return points.back().second;
  });
}

Mono AttackDecay(double seconds, double attack, double decay) {
  Mono out(static_cast<size_t>(Frames(seconds)));
  double step = Exp(-1.0 / (decay * kRate));
  double level = 1.0;
  for (size_t i = 0; i < out.size(); ++i) {
    double t = static_cast<double>(i) / kRate;
    if (t < attack) {
      out[i] = static_cast<float>(t / attack);
    } else {
      out[i] = static_cast<float>(level);
      level *= step;
    }
  }
  return out;
}

Mono Sampled(double seconds, const Curve& curve) {
  Mono out(static_cast<size_t>(Frames(seconds)));
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<float>(curve(static_cast<double>(i) / kRate));
  }
  return out;
}

}  // namespace assetgen
