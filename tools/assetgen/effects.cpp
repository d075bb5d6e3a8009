#include "tools/assetgen/effects.h"

#include <array>
#include <cmath>

#include "tools/assetgen/det_math.h"
#include "tools/assetgen/filters.h"

namespace assetgen {
namespace {

class Comb {
 public:
  explicit Comb(size_t length) : buffer_(length, 0.0f) {}
  float Process(float x, double feedback, double damp) {
    float y = buffer_[index_];
    store_ = static_cast<float>(y * (1.0 - damp) + store_ * damp);
    buffer_[index_] = static_cast<float>(x + store_ * feedback);
    index_ = (index_ + 1) % buffer_.size();
    return y;
  }

 private:
  std::vector<float> buffer_;
  size_t index_ = 0;
  float store_ = 0.0f;
};

class Allpass {
 public:
  explicit Allpass(size_t length) : buffer_(length, 0.0f) {}
  float Process(float x) {
    float b = buffer_[index_];
    buffer_[index_] = static_cast<float>(x + b * 0.5);
    index_ = (index_ + 1) % buffer_.size();
    return b - x;
  }

 private:
  std::vector<float> buffer_;
  size_t index_ = 0;
};

// Delay lengths in frames at 44100 Hz, mutually prime-ish so the echoes do not pile up.
constexpr std::array<size_t, 8> kCombLengths = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<size_t, 4> kAllpassLengths = {556, 441, 341, 225};
constexpr size_t kStereoSpread = 23;

Mono RoomChannel(const Mono& in, const ReverbSettings& s, size_t spread, size_t frames) {
  std::vector<Comb> combs;
  std::vector<Allpass> allpasses;
  for (size_t n : kCombLengths) combs.emplace_back(n + spread);
  for (size_t n : kAllpassLengths) allpasses.emplace_back(n + spread);
  double feedback = 0.7 + 0.28 * s.room;
  double damp = 0.4 * s.damping;
  Mono out(frames);
  for (size_t i = 0; i < frames; ++i) {
    float x = i < in.size() ? static_cast<float>(in[i] * 0.015) : 0.0f;
    float sum = 0.0f;
    for (Comb& c : combs) sum += c.Process(x, feedback, damp);
    for (Allpass& a : allpasses) sum = a.Process(sum);
    out[i] = sum;
  }
  return out;
}

}  // namespace

Mono Echo(const Mono& in, double delay, double feedback, double damping, double tail) {
  size_t d = static_cast<size_t>(Frames(delay));
  if (d == 0) d = 1;
  Mono out(in.size() + static_cast<size_t>(Frames(tail)), 0.0f);
  std::vector<float> line(d, 0.0f);
  double a = Exp(-kTwoPi * damping / kRate);
  double low = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    float x = i < in.size() ? in[i] : 0.0f;
    float delayed = line[i % d];
    low = (1 - a) * delayed + a * low;
    line[i % d] = static_cast<float>(x + feedback * low);
    out[i] = static_cast<float>(x + low);
  }
  return out;
}

Sound Reverb(const Mono& in, const ReverbSettings& s) {
  size_t frames = in.size() + static_cast<size_t>(Frames(s.tail));
  Mono left = RoomChannel(in, s, 0, frames);
  Mono right = RoomChannel(in, s, kStereoSpread, frames);
  double wet1 = s.wet * (s.width / 2 + 0.5), wet2 = s.wet * ((1 - s.width) / 2);
  Sound out;
  out.channels = 2;
  out.samples.resize(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    double dry = i < in.size() ? in[i] * s.dry : 0.0;
    out.samples[2 * i] = static_cast<float>(dry + left[i] * wet1 + right[i] * wet2);
    out.samples[2 * i + 1] = static_cast<float>(dry + right[i] * wet1 + left[i] * wet2);
  }
  return out;
}

Mono ReverbMono(const Mono& in, const ReverbSettings& s) {
  size_t frames = in.size() + static_cast<size_t>(Frames(s.tail));
  Mono wet = RoomChannel(in, s, 0, frames);
  Mono out(frames);
  for (size_t i = 0; i < frames; ++i) {
    double dry = i < in.size() ? in[i] * s.dry : 0.0;
    out[i] = static_cast<float>(dry + wet[i] * s.wet);
  }
  return out;
}

Mono Saturate(const Mono& in, double drive) {
  double norm = 1.0 / Tanh(drive);
  Mono out(in.size());
  for (size_t i = 0; i < in.size(); ++i) out[i] = static_cast<float>(Tanh(drive * in[i]) * norm);
  return out;
}

Mono Crush(const Mono& in, int hold, int levels) {
  Mono out(in.size());
  float held = 0.0f;
  for (size_t i = 0; i < in.size(); ++i) {
    if (i % static_cast<size_t>(hold) == 0) {
      held = static_cast<float>(std::floor(in[i] * levels + 0.5) / levels);
    }
    out[i] = held;
  }
  return out;
}

Mono Resample(const Mono& in, int fromRate) {
  if (in.empty()) return {};
  double step = static_cast<double>(fromRate) / kRate;
  size_t frames = static_cast<size_t>(std::floor((in.size() - 1) / step)) + 1;
  auto at = [&in](int64_t k) -> double {
    if (k < 0 || k >= static_cast<int64_t>(in.size())) return 0.0;
    return in[static_cast<size_t>(k)];
  };
  Mono out(frames);
  for (size_t i = 0; i < frames; ++i) {
    double position = static_cast<double>(i) * step;
    double base = std::floor(position);
    double u = position - base;
    auto k = static_cast<int64_t>(base);
    double p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
    double value =
        p1 +
        0.5 * u * (p2 - p0 + u * (2 * p0 - 5 * p1 + 4 * p2 - p3 + u * (3 * (p1 - p2) + p3 - p0)));
    out[i] = static_cast<float>(value);
  }
  // Cubic interpolation leaves images of the source band above its Nyquist frequency.
  if (fromRate < kRate)
    out = Filter(Filter(out, FilterKind::kLowPass, fromRate * 0.45), FilterKind::kLowPass,
                 fromRate * 0.45);
  return out;
}

}  // namespace assetgen
