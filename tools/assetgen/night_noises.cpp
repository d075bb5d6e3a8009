// Eleven night noises, one of which sounds every hundred ticks or so at a random
// point of the field: an owl, a bird's chirps, a snapping branch, a distant howl, a
// gust, a creaking trunk, crickets, a bush rustling, a crow, a frog and a fox's bark.
// Each lasts 0.5 to 4 seconds and ends in silence; distant ones carry more reverb.
#include <cmath>
#include <string>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

Mono Distant(const Mono& dry, double wet, double tail) {
  return ReverbMono(dry, {.room = 0.8, .damping = 0.5, .wet = wet, .dry = 1.0, .tail = tail});
}

// A breathy vowel: pulses through two formant resonators plus a little air.
Mono Voiced(double seconds, const Curve& pitch, double formant1, double formant2, Rng& rng) {
  Mono source = Harmonic(seconds, pitch, SawPartials(60));
  Mono voice = Resonate(source, formant1, 5.0);
  MixInto(voice, Resonate(source, formant2, 6.0), 0, 0.6);
  Mono air = Filter(WhiteNoise(seconds, rng), FilterKind::kBandPass, formant2, 2.0);
  MixInto(voice, air, 0, 0.05);
  return voice;
}

// Two soft hoots and a long third, low and round.
Mono Owl(Rng& rng) {
  Mono out = Silence(2.6);
  double t = 0.05;
  for (double length : {0.28, 0.22, 0.75}) {
    Mono hoot = Glide(
        length, [length](double u) { return 370.0 + 25.0 * Sin(kPi * u / length) - 20.0 * u; });
    MixInto(hoot, Filter(WhiteNoise(length, rng), FilterKind::kBandPass, 380.0, 6.0), 0, 0.4);
    ApplyEnvelope(hoot, Segments(length, {{0, 0}, {0.05, 1}, {length - 0.08, 0.8}, {length, 0}}));
    MixAt(out, hoot, t);
    t += length + (length < 0.25 ? 0.12 : 0.3);
  }
  return Distant(out, 0.35, 0.0);
}

// Quick rising-falling chirps of a small bird.
Mono Chirps(Rng& rng) {
  Mono out = Silence(1.6);
  double t = 0.02;
  for (int n = 0; n < 5; ++n) {
    double length = rng.Range(0.06, 0.1), base = rng.Range(3200, 3800);
    Mono chirp =
        Glide(length, [length, base](double u) { return base + 1400.0 * Sin(kPi * u / length); });
    ApplyEnvelope(chirp, Segments(length, {{0, 0}, {0.01, 1}, {length, 0}}));
    MixAt(out, chirp, t);
    t += length + rng.Range(0.08, 0.2);
  }
  return Distant(out, 0.25, 0.0);
}

// A dry branch breaking: a sharp crack, splinters, a second smaller snap.
Mono Snap(Rng& rng) {
  Mono out = Silence(0.9);
  for (auto [at, size] : {std::pair{0.02, 1.0}, std::pair{0.19, 0.55}}) {
    Mono crack = WhiteNoise(0.15, rng);
    ApplyEnvelope(crack, AttackDecay(0.15, 0.0003, 0.012));
    Mono wood = Resonate(crack, rng.Range(900, 1400), 8.0);
    MixInto(crack, wood, 0, 3.0);
    MixAt(out, crack, at, size);
    Mono splinters = Resonate(Crackle(0.25, 150, rng), 2500.0, 2.0);
    ApplyEnvelope(splinters, AttackDecay(0.25, 0.001, 0.06));
    MixAt(out, splinters, at + 0.01, size * 1.5);
  }
  return Distant(out, 0.3, 0.0);
}

// A wolf far away: a voiced rise, a long fall, heavy reverb, no highs.
Mono Howl(Rng& rng) {
  const double length = 3.0;
  Mono howl = Voiced(
      length,
      [](double t) {
        double contour = t < 0.5 ? 330.0 + 160.0 * t / 0.5 : 490.0 - 150.0 * (t - 0.5) / 2.5;
        return contour * (1.0 + 0.012 * Sin(kTwoPi * 5.0 * t));
      },
      700.0, 1100.0, rng);
  ApplyEnvelope(howl, Segments(length, {{0, 0}, {0.35, 1}, {2.2, 0.8}, {3.0, 0}}));
  howl = Filter(howl, FilterKind::kLowPass, 1800.0);
  return Distant(howl, 0.7, 0.9);
}

// A gust through the trees: band noise whose centre and loudness swell and ebb.
Mono Gust(Rng& rng) {
  const double length = 3.6;
  Mono wind = FilterSwept(
      PinkNoise(length, rng), FilterKind::kBandPass,
      [](double t) { return 350.0 + 900.0 * Sin(kPi * t / 3.6); }, 1.2);
  ApplyEnvelope(wind, Sampled(length, [](double t) {
                  double swell = Sin(kPi * t / 3.6);
                  return swell * swell * (0.8 + 0.2 * Sin(kTwoPi * 1.7 * t));
                }));
  return wind;
}

// A trunk creaking: stick-slip pulses at a wandering rate through wooden resonances.
Mono Creak(Rng& rng) {
  const double length = 1.5;
  Mono pulses(static_cast<size_t>(Frames(length)), 0.0f);
  double t = 0.05;
  while (t < length - 0.1) {
    pulses[static_cast<size_t>(Frames(t))] = static_cast<float>(rng.Range(0.6, 1.0));
    double rate = 55.0 + 35.0 * Sin(kPi * t / length) + rng.Range(-4.0, 4.0);
    t += 1.0 / rate;
  }
  Mono creak = Resonate(pulses, 620.0, 12.0);
  MixInto(creak, Resonate(pulses, 1340.0, 10.0), 0, 0.7);
  MixInto(creak, Resonate(pulses, 2450.0, 8.0), 0, 0.4);
  ApplyEnvelope(creak, Segments(length, {{0, 0}, {0.15, 1}, {1.2, 0.8}, {1.5, 0}}));
  return Distant(creak, 0.2, 0.0);
}

// Crickets: trains of short 4.6 kHz pulses, a few bursts.
Mono Crickets(Rng& rng) {
  const double length = 1.8;
  Mono song = Sine(length, 4600.0);
  ApplyEnvelope(song, Sampled(length, [](double t) {
                  double inBurst = std::fmod(t, 0.45) < 0.3 ? 1.0 : 0.0;
                  double pulse = std::fmod(t, 0.025) < 0.012 ? 1.0 : 0.0;
                  return inBurst * pulse * (t < 1.6 ? 1.0 : 0.0);
                }));
  song = OnePoleLowPass(song, 9000.0);  // rounds the pulse edges
  MixInto(song, Filter(WhiteNoise(length, rng), FilterKind::kBandPass, 4600.0, 20.0), 0, 0.2);
  return Distant(song, 0.2, 0.0);
}

// Something moving in a bush: leaves brushed in a few irregular bursts.
Mono Bush(Rng& rng) {
  const double length = 2.2;
  Mono leaves = Filter(WhiteNoise(length, rng), FilterKind::kBandPass, 3500.0, 0.7);
  MixInto(leaves, Resonate(Crackle(length, 250, rng), 5000.0, 1.5), 0, 1.5);
  Mono envelope = Silence(length);
  for (double at : {0.05, 0.5, 0.8, 1.4}) {
    double size = rng.Range(0.5, 1.0), span = rng.Range(0.2, 0.45);
    MixAt(envelope, Segments(span, {{0, 0}, {span * 0.3, size}, {span, 0}}), at);
  }
  ApplyEnvelope(leaves, envelope);
  return leaves;
}

// A crow: three rough caws, a nasal buzz with a falling pitch.
Mono Crow(Rng& rng) {
  Mono out = Silence(2.0);
  double t = 0.05;
  for (int n = 0; n < 3; ++n) {
    double length = rng.Range(0.3, 0.4);
    Mono caw = Voiced(
        length, [length](double u) { return 520.0 - 120.0 * u / length; }, 1200.0, 2100.0, rng);
    caw = Saturate(caw, 3.0);
    ApplyEnvelope(caw, Segments(length, {{0, 0}, {0.03, 1}, {length - 0.1, 0.7}, {length, 0}}));
    MixAt(out, caw, t);
    t += length + rng.Range(0.15, 0.25);
  }
  return Distant(Filter(out, FilterKind::kLowPass, 3500.0), 0.4, 0.0);
}

// A frog: a low croak made of fast pulses through a throat resonance, twice.
Mono Frog(Rng& rng) {
  Mono out = Silence(1.3);
  for (double at : {0.05, 0.6}) {
    const double length = 0.4;
    Mono pulses(static_cast<size_t>(Frames(length)), 0.0f);
    for (double t = 0.0; t < length; t += 1.0 / 38.0) pulses[static_cast<size_t>(Frames(t))] = 1.0f;
    Mono croak = Resonate(pulses, 300.0, 6.0);
    MixInto(croak, Resonate(pulses, 950.0, 5.0), 0, 0.5);
    ApplyEnvelope(croak, Segments(length, {{0, 0}, {0.04, 1}, {0.3, 0.8}, {length, 0}}));
    MixAt(out, croak, at + rng.Range(0.0, 0.03));
  }
  return Distant(out, 0.3, 0.0);
}

// A fox's bark: two short hoarse yelps.
Mono FoxBark(Rng& rng) {
  Mono out = Silence(1.2);
  double t = 0.05;
  for (int n = 0; n < 2; ++n) {
    const double length = 0.18;
    Mono yelp = Voiced(
        length, [](double u) { return 620.0 + 500.0 * Sin(kPi * u / 0.18) - 300.0 * u; }, 900.0,
        1800.0, rng);
    MixInto(yelp, Filter(WhiteNoise(length, rng), FilterKind::kBandPass, 1500.0, 1.5), 0, 0.15);
    ApplyEnvelope(yelp, Segments(length, {{0, 0}, {0.015, 1}, {length, 0}}));
    MixAt(out, Saturate(yelp, 2.0), t);
    t += length + 0.25;
  }
  return Distant(out, 0.45, 0.0);
}

Sound Finish(Mono noise) {
  return FinishOneShot(MakeMono(std::move(noise)), role::kAmbientNoise, 0.003, 0.15);
}

}  // namespace

void AddNightNoises(Catalogue& catalogue) {
  using Maker = Mono (*)(Rng&);
  const Maker makers[] = {Owl,      Chirps, Snap, Howl, Gust,   Creak,
                          Crickets, Bush,   Crow, Frog, FoxBark};
  for (int n = 1; n <= 11; ++n) {
    Maker maker = makers[n - 1];
    catalogue.push_back({"assets/ambience/amb" + std::to_string(n) + ".wav", [maker, n] {
                           Rng rng(7000 + static_cast<uint64_t>(n));
                           return std::optional<Sound>(Finish(maker(rng)));
                         }});
  }
}

}  // namespace assetgen
