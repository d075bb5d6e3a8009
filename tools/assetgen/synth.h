// tools/assetgen/synth.h - sources and shapes: oscillators, noises and envelopes.
// Times are in seconds, frequencies in Hz, levels as linear amplitude 0 .. 1.
// Threads: pure functions (noises draw from the Rng they are given).
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "tools/assetgen/rng.h"
#include "tools/assetgen/sound.h"

namespace assetgen {

using Curve = std::function<double(double)>;  // a value as a function of seconds

// sin(2 pi cycles) from a table, accurate to 3e-7: for oscillators and slow wobbles.
double TableSin(double cycles);

Mono Sine(double seconds, double frequency, double phase = 0.0);
// A sine whose frequency follows `frequencyAt`; the phase runs on continuously.
Mono Glide(double seconds, const Curve& frequencyAt);
// Harmonic tone: partial k (1-based) has amplitude amplitudes[k-1]; the fundamental
// follows `frequencyAt`. Partials above 20 kHz are left out, so nothing aliases.
Mono Harmonic(double seconds, const Curve& frequencyAt, const std::vector<double>& amplitudes);
// Amplitudes 1/k for k = 1 .. count: a band-limited sawtooth.
std::vector<double> SawPartials(int count);
// Odd partials only, 1/k: a band-limited square-ish tone (hollow, clarinet-like).
std::vector<double> SquarePartials(int count);
// Inharmonic partials at frequency * ratios[i], each decaying with its own time
// constant (seconds): bells, chimes, struck wood and metal.
struct Partial {
  double ratio;
  double amplitude;
  double decay;  // seconds to fall to 1/e
};
Mono Struck(double seconds, double frequency, const std::vector<Partial>& partials);

Mono WhiteNoise(double seconds, Rng& rng);
Mono PinkNoise(double seconds, Rng& rng);   // -3 dB per octave
Mono BrownNoise(double seconds, Rng& rng);  // -6 dB per octave, DC-free
// Sparse clicks: about `perSecond` single-sample impulses of random sign and size.
Mono Crackle(double seconds, double perSecond, Rng& rng);

// Envelopes, one value per frame.
// Piecewise linear through (seconds, level) points; flat after the last point.
Mono Segments(double seconds, const std::vector<std::pair<double, double>>& points);
// Linear rise over `attack`, then exponential fall with time constant `decay`.
Mono AttackDecay(double seconds, double attack, double decay);
// Samples `curve` at every frame.
Mono Sampled(double seconds, const Curve& curve);
// A stutter of `frames` frames: spans of rng.Range(shortest, longest) seconds, each open
// (1) with chance `openChance`, else at `closed`.
Mono RandomGate(size_t frames, double openChance, double closed, double shortest, double longest,
                Rng& rng);

}  // namespace assetgen
