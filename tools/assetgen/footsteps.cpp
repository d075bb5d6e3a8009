// Footsteps: six takes on grass (soft, brushy), six in the tunnel (hard heel on stone
// with a short echo) and one rattling step on the wire fence at the field's edge.
// Each take has its own seed and its own timing, pitch and weight, so a run of steps
// never sounds like one sample repeated.
#include <string>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

// A brush of blades against the shoe: band-passed noise with a soft attack.
Mono GrassBrush(double seconds, double centre, double attack, double decay, Rng& rng) {
  Mono brush = Filter(WhiteNoise(seconds, rng), FilterKind::kBandPass, centre, 0.9);
  brush = Filter(brush, FilterKind::kHighPass, 700.0);
  ApplyEnvelope(brush, AttackDecay(seconds, attack, decay));
  return brush;
}

Sound GrassStep(int take) {
  Rng rng(1000 + static_cast<uint64_t>(take));
  const double length = 0.26 + 0.025 * take + rng.Range(0.0, 0.03);  // 0.29 .. 0.44 s
  Mono step = GrassBrush(length, rng.Range(1800, 3200), rng.Range(0.012, 0.025),
                         rng.Range(0.045, 0.075), rng);
  // The sole rolls on: a second, softer brush a moment after the heel.
  MixAt(step, GrassBrush(length - 0.1, rng.Range(1200, 2400), 0.02, rng.Range(0.04, 0.07), rng),
        rng.Range(0.05, 0.09), rng.Range(0.45, 0.7));
  // Dry stalks snapping under the foot.
  Mono snaps = Resonate(Crackle(length, rng.Range(150, 350), rng), rng.Range(3000, 5200), 1.5);
  ApplyEnvelope(snaps, AttackDecay(length, 0.01, 0.06));
  MixInto(step, snaps, 0, 1.2);
  // The weight landing on soft earth.
  Mono thump = Filter(BrownNoise(length, rng), FilterKind::kLowPass, 180.0);
  ApplyEnvelope(thump, AttackDecay(length, 0.006, 0.035));
  MixInto(step, thump, 0, rng.Range(1.5, 2.5));
  step.resize(static_cast<size_t>(Frames(length)));
  return FinishOneShot(MakeMono(step), role::kFootstep, 0.002, 0.05);
}

// A hard heel on stone: a bright click, a few short ringing modes of the floor, then
// the tunnel's echo.
Sound TunnelStep(int take) {
  Rng rng(2000 + static_cast<uint64_t>(take));
  const double body = 0.18;
  Mono click = Filter(WhiteNoise(body, rng), FilterKind::kHighPass, rng.Range(1200, 2200));
  ApplyEnvelope(click, AttackDecay(body, 0.0005, rng.Range(0.004, 0.008)));
  double f = rng.Range(130, 200);
  Mono modes = Struck(
      body, f, {{1.0, 1.0, 0.05}, {2.31, 0.6, 0.035}, {3.87, 0.35, 0.02}, {6.12, 0.25, 0.012}});
  Mono step = click;
  MixInto(step, modes, 0, 0.35);
  // The toe comes down a moment after the heel.
  Mono toe = Filter(WhiteNoise(0.06, rng), FilterKind::kBandPass, rng.Range(2500, 4000), 1.2);
  ApplyEnvelope(toe, AttackDecay(0.06, 0.001, 0.006));
  MixAt(step, toe, rng.Range(0.03, 0.06), rng.Range(0.3, 0.5));
  Mono echoed = Echo(step, rng.Range(0.065, 0.095), rng.Range(0.3, 0.4), 2500.0, 0.3);
  ReverbSettings room{.room = 0.35, .damping = 0.6, .wet = 0.6, .dry = 1.0, .tail = 0.1};
  Mono wet = ReverbMono(echoed, room);
  wet.resize(static_cast<size_t>(Frames(rng.Range(0.42, 0.48))));
  return FinishOneShot(MakeMono(wet), role::kFootstep, 0.001, 0.08);
}

// A foot against the wire fence: a dull push, then the mesh rattling in quick
// irregular taps of thin metal that die away.
Sound FenceStep() {
  Rng rng(3000);
  const double length = 0.48;
  Mono step = Filter(BrownNoise(length, rng), FilterKind::kLowPass, 250.0);
  ApplyEnvelope(step, AttackDecay(length, 0.005, 0.04));
  Scale(step, 2.0);
  double t = 0.005, level = 1.0;
  while (t < length - 0.1 && level > 0.05) {
    double f = rng.Range(700, 1250);
    Mono ping = Struck(0.12, f,
                       {{1.0, 1.0, 0.03},
                        {2.76, 0.7, 0.02},
                        {4.07, 0.5, 0.014},
                        {5.41, 0.45, 0.01},
                        {7.9, 0.3, 0.007}});
    Mono tick = Filter(WhiteNoise(0.02, rng), FilterKind::kHighPass, 3000.0);
    ApplyEnvelope(tick, AttackDecay(0.02, 0.0003, 0.003));
    MixInto(ping, tick, 0, 0.8);
    MixAt(step, ping, t, level * rng.Range(0.6, 1.0));
    t += rng.Range(0.018, 0.042);
    level *= rng.Range(0.7, 0.85);
  }
  step.resize(static_cast<size_t>(Frames(length)));
  return FinishOneShot(MakeMono(step), role::kFootstep, 0.001, 0.06);
}

}  // namespace

void AddFootsteps(Catalogue& catalogue) {
  for (int take = 1; take <= 6; ++take) {
    AddSynthesised(catalogue, "assets/terrain/grass" + std::to_string(take) + ".wav",
                   [take] { return GrassStep(take); });
  }
  for (int take = 1; take <= 6; ++take) {
    AddSynthesised(catalogue, "assets/terrain/tunnel" + std::to_string(take) + ".wav",
                   [take] { return TunnelStep(take); });
  }
  AddSynthesised(catalogue, "assets/steps/fence.wav", [] { return FenceStep(); });
}

}  // namespace assetgen
