#include "tools/assetgen/music.h"

#include <algorithm>

#include "tools/assetgen/det_math.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/synth.h"

namespace assetgen {

double Note(int semitonesFromA4) {
  return 440.0 * Pow(2.0, semitonesFromA4 / 12.0);
}

Sound Pad(const std::vector<double>& notes, double seconds, double attack, double release,
          double brightness, Rng& rng) {
  Mono left = Silence(seconds), right = Silence(seconds);
  for (double f : notes) {
    double spread = rng.Range(0.002, 0.005);
    double drift = rng.Range(0.07, 0.2), phase = rng.Range(0.0, 1.0);
    // Partials far above the low pass would be filtered away anyway.
    int partials = std::clamp(static_cast<int>(2.0 * brightness / f) + 1, 3, 24);
    auto voice = [&](double detune) {
      return Harmonic(
          seconds,
          [=](double t) { return f * (1.0 + detune + 0.001 * TableSin(drift * t + phase)); },
          SawPartials(partials));
    };
    MixInto(left, voice(-spread), 0, 1.0);
    MixInto(right, voice(spread), 0, 1.0);
  }
  Mono shape = Segments(seconds, {{0, 0}, {attack, 1}, {seconds - release, 1}, {seconds, 0}});
  left = Filter(left, FilterKind::kLowPass, brightness, 0.6);
  right = Filter(right, FilterKind::kLowPass, brightness, 0.6);
  ApplyEnvelope(left, shape);
  ApplyEnvelope(right, shape);
  return MakeStereo(left, right);
}

Mono Drone(double frequency, double seconds, double beatHz, double brightness) {
  int partials = std::clamp(static_cast<int>(2.0 * brightness / frequency) + 1, 3, 30);
  Mono drone = Harmonic(
      seconds, [frequency](double) { return frequency; }, SawPartials(partials));
  MixInto(drone,
          Harmonic(
              seconds, [=](double) { return frequency + beatHz; }, SawPartials(partials)),
          0, 0.8);
  MixInto(drone,
          Harmonic(
              seconds, [=](double) { return frequency / 2.0; }, SawPartials(2 * partials)),
          0, 0.6);
  return Filter(drone, FilterKind::kLowPass, brightness, 0.7);
}

Mono Bell(double frequency, double seconds) {
  return Struck(seconds, frequency,
                {{0.5, 0.5, 4.0},
                 {1.0, 1.0, 3.0},
                 {1.19, 0.5, 2.2},
                 {1.5, 0.35, 1.8},
                 {2.0, 0.45, 1.4},
                 {2.51, 0.25, 1.0},
                 {3.01, 0.15, 0.7}});
}

}  // namespace assetgen
