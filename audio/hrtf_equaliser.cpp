#include "audio/hrtf_equaliser.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "audio/volume_table.h"

namespace {

using Complex = std::complex<double>;
using Spectrum = std::vector<Complex>;

// Points of every transform: room for the longest filter twice over, so that the cepstrum's
// aliasing stays far below what is heard.
size_t PointsFor(const std::vector<HrtfPair>& pairs) {
  size_t longest = 0;
  for (const HrtfPair& pair : pairs)
    longest = std::max({longest, pair.left.size(), pair.right.size()});
  size_t points = 4096;
  while (points < 2 * longest) points *= 2;
  return points;
}
// The onset is found on the filter interpolated this many times finer than its frames.
constexpr size_t kOnsetUpsampling = 8;
// A band this far below the set's loudest is not lifted further by the equaliser.
constexpr double kFloor = 1e-3;
// The last taps of an equalised filter fade to zero, so its truncation is no step.
constexpr int32_t kFadeTaps = 32;
// No magnitude is taken as smaller than this, whatever the set: its logarithm stays finite.
constexpr double kSmallest = 1e-30;
// No tap of the ring is larger than this: a set whose equalisation would need more (a
// damaged one, whose few loud bands stand far above its average) is heard quieter instead.
constexpr float kLargestTap = 8.0f;

// In place, radix 2; `inverse` without the 1/n.
void Transform(Spectrum& x, bool inverse) {
  const size_t n = x.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; (j & bit) != 0; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = (inverse ? 2.0 : -2.0) * std::numbers::pi / static_cast<double>(len);
    const Complex turn(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      Complex w(1.0, 0.0);
      for (size_t k = 0; k < len / 2; ++k) {
        const Complex a = x[i + k], b = x[i + k + len / 2] * w;
        x[i + k] = a + b;
        x[i + k + len / 2] = a - b;
        w *= turn;
      }
    }
  }
}

Spectrum SpectrumOf(const std::vector<float>& taps, size_t points) {
  Spectrum x(points);
  for (size_t i = 0; i < std::min(taps.size(), points); ++i) x[i] = taps[i];
  Transform(x, false);
  return x;
}

// The signal of `spectrum`, interpolated kOnsetUpsampling times finer (band-limited), times
// its number of points.
Spectrum Finer(const Spectrum& spectrum) {
  const size_t n = spectrum.size(), fine = n * kOnsetUpsampling;
  Spectrum x(fine);
  for (size_t k = 0; k < n / 2; ++k) {
    x[k] = spectrum[k];
    if (k > 0) x[fine - k] = spectrum[n - k];
  }
  x[n / 2] = 0.5 * spectrum[n / 2];
  x[fine - n / 2] = 0.5 * spectrum[n / 2];
  Transform(x, true);
  return x;
}

// Frames the right ear's filter lags the left's at the peak of their cross-correlation (the
// delay a listener hears between the ears), within 1.5 ms, to a fraction of a frame.
double InterauralLag(const Spectrum& left, const Spectrum& right, int32_t rate) {
  Spectrum cross(left.size());
  for (size_t k = 0; k < left.size(); ++k) cross[k] = std::conj(left[k]) * right[k];
  const Spectrum x = Finer(cross);
  const auto fine = static_cast<int64_t>(x.size());
  const auto reach = static_cast<int64_t>(0.0015 * rate * kOnsetUpsampling);
  auto at = [&](int64_t lag) { return x[static_cast<size_t>((lag + fine) % fine)].real(); };
  int64_t best = 0;
  for (int64_t lag = -reach; lag <= reach; ++lag) {
    if (at(lag) > at(best)) best = lag;
  }
  const double before = at(best - 1), peak = at(best), after = at(best + 1);
  const double bend = before - 2.0 * peak + after;
  const double shift = bend < 0.0 ? std::clamp(0.5 * (before - after) / bend, -0.5, 0.5) : 0.0;
  return (static_cast<double>(best) + shift) / static_cast<double>(kOnsetUpsampling);
}

// Where the filter starts to sound, in frames: where it first reaches a tenth of its peak,
// on the filter interpolated kOnsetUpsampling times finer and then linearly.
double OnsetFrames(const Spectrum& spectrum) {
  const Spectrum x = Finer(spectrum);
  const size_t fine = x.size();
  double peak = 0.0;
  for (const Complex& v : x) peak = std::max(peak, std::abs(v.real()));
  const double threshold = 0.1 * peak;
  for (size_t i = 0; i < fine; ++i) {
    const double now = std::abs(x[i].real());
    if (now < threshold) continue;
    const double before = i > 0 ? std::abs(x[i - 1].real()) : 0.0;
    const double part = now > before ? (threshold - before) / (now - before) : 1.0;
    return (static_cast<double>(i) - 1.0 + std::clamp(part, 0.0, 1.0)) /
           static_cast<double>(kOnsetUpsampling);
  }
  return 0.0;
}

// The power spectrum averaged over a third of an octave around each bin (bins 0 .. n/2).
std::vector<double> ThirdOctaveSmoothed(const std::vector<double>& power) {
  const size_t bins = power.size();
  const double edge = std::pow(2.0, 1.0 / 6.0);
  std::vector<double> smoothed(bins);
  for (size_t k = 0; k < bins; ++k) {
    const auto low = static_cast<size_t>(std::floor(static_cast<double>(k) / edge));
    const auto high = std::min(bins - 1, static_cast<size_t>(std::ceil(k * edge)));
    double sum = 0.0;
    for (size_t j = low; j <= high; ++j) sum += power[j];
    smoothed[k] = sum / static_cast<double>(high - low + 1);
  }
  return smoothed;
}

// The minimum-phase filter of `magnitude` (bins 0 .. n/2), `taps` long, by the folded
// cepstrum; its tail faded.
std::vector<float> MinimumPhase(const std::vector<double>& magnitude, int32_t taps) {
  const size_t n = 2 * (magnitude.size() - 1);
  double loudest = 0.0;
  for (double m : magnitude) loudest = std::max(loudest, m);
  Spectrum x(n);
  for (size_t k = 0; k <= n / 2; ++k) {
    const double logMagnitude =
        std::log(std::max({magnitude[k], loudest * kFloor * kFloor, kSmallest}));
    x[k] = logMagnitude;
    if (k > 0 && k < n / 2) x[n - k] = logMagnitude;
  }
  Transform(x, true);  // the real cepstrum, times n
  for (size_t i = 1; i < n / 2; ++i) x[i] *= 2.0;
  for (size_t i = n / 2 + 1; i < n; ++i) x[i] = 0.0;
  for (Complex& v : x) v /= static_cast<double>(n);
  Transform(x, false);
  for (Complex& v : x) v = std::exp(v);
  Transform(x, true);
  std::vector<float> filter(static_cast<size_t>(taps));
  for (int32_t i = 0; i < taps; ++i) {
    const int32_t intoFade = i - (taps - kFadeTaps);
    const double fade =
        intoFade < 0 ? 1.0 : 0.5 + 0.5 * std::cos(std::numbers::pi * (intoFade + 1) / kFadeTaps);
    filter[static_cast<size_t>(i)] =
        static_cast<float>(fade * x[static_cast<size_t>(i)].real() / static_cast<double>(n));
  }
  return filter;
}

// The stereo path's two-ear power gain for a sound at `degrees` counterclockwise from ahead.
double StereoPower(double degrees) {
  const auto pan =
      static_cast<int32_t>(std::lround(-100.0 * std::sin(degrees * std::numbers::pi / 180.0)));
  const ChannelGains gains = GainsFor(0, PanLevelCb(pan));
  return static_cast<double>(gains.left) * gains.left +
         static_cast<double>(gains.right) * gains.right;
}

// A filter's power for a sound of equal energy per octave from 100 Hz to 10 kHz.
double OctaveWeightedPower(const std::vector<double>& power, int32_t rate) {
  const size_t n = 2 * (power.size() - 1);
  double sum = 0.0, weights = 0.0;
  for (size_t k = 1; k < power.size(); ++k) {
    const double hz = static_cast<double>(k) * rate / static_cast<double>(n);
    if (hz < 100.0 || hz > 10000.0) continue;
    sum += power[k] / hz;
    weights += 1.0 / hz;
  }
  return weights > 0.0 ? sum / weights : 0.0;
}

}  // namespace

int32_t EqualisedTaps(int32_t rate) {
  return std::max(64, static_cast<int32_t>(int64_t{kEqualisedTaps48k} * rate / 48000));
}

HrtfRing EqualisedRing(const std::vector<HrtfPair>& pairs, int32_t rate) {
  const size_t points = PointsFor(pairs), bins = points / 2 + 1;
  const int32_t taps = EqualisedTaps(rate);
  std::vector<Spectrum> spectra;  // direction by direction, left then right
  std::vector<double> onsets;
  for (const HrtfPair& pair : pairs) {
    for (const std::vector<float>* taps : {&pair.left, &pair.right}) {
      spectra.push_back(SpectrumOf(*taps, points));
      onsets.push_back(OnsetFrames(spectra.back()));
    }
  }
  std::vector<double> average(bins, 0.0);
  for (const Spectrum& spectrum : spectra) {
    for (size_t k = 0; k < bins; ++k) average[k] += std::norm(spectrum[k]);
  }
  std::vector<double> field = ThirdOctaveSmoothed(average);
  double strongest = 0.0;
  for (double& v : field) {
    v = std::sqrt(v / static_cast<double>(spectra.size()));
    strongest = std::max(strongest, v);
  }
  for (double& v : field) v = std::max(v, strongest * kFloor);

  // The ring's two-ear power direction by direction against the stereo path's there: half
  // the difference (in decibels) is taken out of each direction, both ears alike, so that a
  // sound ahead is not quieter than in stereo nor one beside much louder, while half the
  // set's own differences (its shadow behind the head among them) stay; then the whole ring
  // is scaled to the stereo path's power over all directions.
  std::vector<std::vector<double>> magnitudes;
  std::vector<double> ringPowers, stereoPowers;
  for (size_t f = 0; f < spectra.size(); ++f) {
    std::vector<double> magnitude(bins), power(bins);
    for (size_t k = 0; k < bins; ++k) {
      magnitude[k] = std::abs(spectra[f][k]) / field[k];
      power[k] = magnitude[k] * magnitude[k];
    }
    if (f % 2 == 0) ringPowers.push_back(0.0);
    ringPowers.back() += OctaveWeightedPower(power, rate);
    magnitudes.push_back(std::move(magnitude));
  }
  double ringPower = 0.0, stereoPower = 0.0;
  std::vector<double> gains;
  for (size_t d = 0; d < ringPowers.size(); ++d) {
    const double stereo = StereoPower(static_cast<double>(d) * kRingSpacingDegrees);
    const double gain = ringPowers[d] > 0.0 ? std::pow(stereo / ringPowers[d], 0.25) : 1.0;
    gains.push_back(gain);
    ringPower += gain * gain * ringPowers[d];
    stereoPower += stereo;
  }
  const double scale = ringPower > 0.0 ? std::sqrt(stereoPower / ringPower) : 1.0;

  HrtfRing ring;
  ring.rate = rate;
  ring.length = taps;
  // Each direction's delays: the mean of its ears' onsets, split by the delay between the
  // set's ears less what the minimum-phase pair keeps of it.
  std::vector<double> delays;
  for (size_t f = 0; f < magnitudes.size(); f += 2) {
    std::vector<float> filters[2];
    for (size_t ear = 0; ear < 2; ++ear) {
      for (double& m : magnitudes[f + ear]) m *= scale * gains[f / 2];
      filters[ear] = MinimumPhase(magnitudes[f + ear], taps);
    }
    const double kept =
        InterauralLag(SpectrumOf(filters[0], points), SpectrumOf(filters[1], points), rate);
    const double between = InterauralLag(spectra[f], spectra[f + 1], rate) - kept;
    const double common = 0.5 * (onsets[f] + onsets[f + 1]);
    delays.push_back(common - 0.5 * between);
    delays.push_back(common + 0.5 * between);
    ring.left.insert(ring.left.end(), filters[0].begin(), filters[0].end());
    ring.right.insert(ring.right.end(), filters[1].begin(), filters[1].end());
  }
  float largest = 0.0f;
  for (const std::vector<float>* ear : {&ring.left, &ring.right}) {
    for (float tap : *ear) largest = std::max(largest, std::abs(tap));
  }
  if (largest > kLargestTap) {
    for (std::vector<float>* ear : {&ring.left, &ring.right}) {
      for (float& tap : *ear) tap *= kLargestTap / largest;
    }
  }
  const double earliest = *std::min_element(delays.begin(), delays.end());
  for (size_t f = 0; f < delays.size(); ++f) {
    (f % 2 == 0 ? ring.delayLeft : ring.delayRight)
        .push_back(static_cast<float>(delays[f] - earliest));
  }
  return ring;
}
