// Knocks: the player pressing against an obstacle (a dull knock on wood) and against a
// tunnel wall (a hard thud on stone). Both under half a second.
#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

// Low, quickly damped modes of a thick plank with a soft knuckle click; a low pass
// takes the brightness off so it reads as dull wood, not a bell.
Sound WoodKnock() {
  Rng rng(4000);
  const double length = 0.34;
  Mono knock =
      Struck(length, 185.0,
             {{1.0, 1.0, 0.055}, {2.13, 0.55, 0.032}, {3.28, 0.32, 0.02}, {5.05, 0.16, 0.011}});
  Mono hollow = Resonate(WhiteNoise(length, rng), 420.0, 4.0);
  ApplyEnvelope(hollow, AttackDecay(length, 0.001, 0.025));
  MixInto(knock, hollow, 0, 1.5);
  Mono click = Filter(WhiteNoise(0.03, rng), FilterKind::kBandPass, 1800.0, 1.0);
  ApplyEnvelope(click, AttackDecay(0.03, 0.0003, 0.003));
  MixInto(knock, click, 0, 0.5);
  knock = Filter(knock, FilterKind::kLowPass, 2600.0);
  return FinishOneShot(MakeMono(knock), role::kKnock, 0.001, 0.06);
}

// A body thrown against stone: a falling low thump, a dense gritty burst and a short
// slap of the hard surface.
Sound StoneThud() {
  Rng rng(4100);
  const double length = 0.42;
  Mono thud = Glide(length, [](double t) { return 50.0 + 70.0 * Exp(-t / 0.03); });
  ApplyEnvelope(thud, AttackDecay(length, 0.002, 0.07));
  Mono burst = Filter(WhiteNoise(length, rng), FilterKind::kLowPass, 1800.0);
  ApplyEnvelope(burst, AttackDecay(length, 0.0005, 0.018));
  MixInto(thud, burst, 0, 0.9);
  Mono grit = Filter(Crackle(length, 900, rng), FilterKind::kHighPass, 2000.0);
  ApplyEnvelope(grit, AttackDecay(length, 0.001, 0.035));
  MixInto(thud, grit, 0, 0.7);
  ReverbSettings room{.room = 0.3, .damping = 0.7, .wet = 0.5, .dry = 1.0, .tail = 0.0};
  Mono out = ReverbMono(thud, room);
  return FinishOneShot(MakeMono(out), role::kKnock, 0.001, 0.08);
}

}  // namespace

void AddKnocks(Catalogue& catalogue) {
  AddSynthesised(catalogue, "assets/physics/hit_wood.wav", [] { return WoodKnock(); });
  AddSynthesised(catalogue, "assets/physics/hit_wall.wav", [] { return StoneThud(); });
}

}  // namespace assetgen
