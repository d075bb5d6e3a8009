// The two shocks: the stalker arriving close by (a sudden dissonant sting) and the
// player's death (a violent burst of noise, a falling boom, a screech and broken
// static, all gone within six seconds).
#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

// A cluster of close, clashing tones struck hard, with a noise hit on top; the
// brightness closes down as it fades and a fast tremolo keeps it uneasy.
Sound AppearSting() {
  Rng rng(6000);
  const double length = 2.4;
  Mono cluster(static_cast<size_t>(Frames(length)), 0.0f);
  for (double f : {138.6, 146.8, 207.7, 293.7, 311.1, 415.3}) {
    double detune = rng.Range(-0.004, 0.004);
    MixInto(cluster,
            Harmonic(
                length, [f, detune](double) { return f * (1.0 + detune); }, SawPartials(40)),
            0, 0.2);
  }
  cluster = FilterSwept(
      cluster, FilterKind::kLowPass, [](double t) { return 400.0 + 7000.0 * Exp(-t / 0.35); }, 0.9);
  ApplyEnvelope(cluster, Sampled(length, [](double t) {
                  double body = t < 0.015 ? t / 0.015 : Exp(-(t - 0.015) / 0.7);
                  if (t > 2.0) body *= (2.4 - t) / 0.4;  // ends at zero before the room's tail
                  return body * (0.75 + 0.25 * Sin(kTwoPi * 13.0 * t));
                }));
  Mono hit = WhiteNoise(length, rng);
  MixInto(hit, BrownNoise(length, rng), 0, 4.0);
  hit = Filter(hit, FilterKind::kLowPass, 5000.0);
  ApplyEnvelope(hit, AttackDecay(length, 0.001, 0.12));
  MixInto(cluster, hit, 0, 0.9);
  Mono out =
      ReverbMono(Saturate(cluster, 1.5), {.room = 0.8, .damping = 0.3, .wet = 0.35, .tail = 0.6});
  return FinishOneShot(MakeMono(out), role::kSting, 0.001, 0.4);
}

Sound DeathBurst() {
  Rng rng(6100);
  const double length = 5.2;
  // The blast: white and brown noise, driven into distortion, dying over a second.
  Mono blast = WhiteNoise(length, rng);
  MixInto(blast, BrownNoise(length, rng), 0, 6.0);
  ApplyEnvelope(blast, AttackDecay(length, 0.002, 0.6));
  // A falling boom under it.
  Mono boom = Glide(length, [](double t) { return 28.0 + 55.0 * Exp(-t / 0.4); });
  ApplyEnvelope(boom, AttackDecay(length, 0.004, 0.9));
  MixInto(blast, boom, 0, 1.2);
  // A screech that climbs and collapses.
  Mono screech = Harmonic(
      length,
      [](double t) {
        double rise = t < 0.6 ? 700.0 + 2600.0 * t / 0.6 : 3300.0 * Exp(-(t - 0.6) / 0.9) + 250.0;
        return rise * (1.0 + 0.03 * Sin(kTwoPi * 31.0 * t));
      },
      SawPartials(12));
  ApplyEnvelope(screech,
                Segments(length, {{0.0, 0.0}, {0.05, 0.7}, {0.8, 0.6}, {2.5, 0.1}, {3.5, 0.0}}));
  MixInto(blast, screech, 0, 0.5);
  // Static breaking up in stutters.
  Mono stutter = Crush(WhiteNoise(length, rng), 6, 5);
  const Mono gate = RandomGate(stutter.size(), 0.55, 0.0, 0.03, 0.12, rng);
  for (size_t i = 0; i < stutter.size(); ++i) {
    double t = static_cast<double>(i) / kRate;
    stutter[i] = static_cast<float>(stutter[i] * static_cast<double>(gate[i]) * Exp(-t / 1.4));
  }
  MixInto(blast, stutter, 0, 0.35);
  Mono out =
      ReverbMono(Saturate(blast, 3.0), {.room = 0.85, .damping = 0.4, .wet = 0.4, .tail = 0.0});
  return FinishOneShot(MakeMono(out), role::kSting, 0.001, 1.2);
}

}  // namespace

void AddStings(Catalogue& catalogue) {
  AddSynthesised(catalogue, "assets/vorlent/appearClose.wav", [] { return AppearSting(); });
  AddSynthesised(catalogue, "assets/player/death.wav", [] { return DeathBurst(); });
}

}  // namespace assetgen
