// Cues of the pages and the compass: the page hint (a paper rustle under a soft
// two-note tone, easy to find by ear from far off), the snatch of a page being taken,
// and the compass chime.
#include <algorithm>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

// Paper moving: bright band noise whose loudness jumps with random crinkles.
Mono Rustle(double seconds, double centre, double crinklesPerSecond, Rng& rng) {
  Mono paper = Filter(WhiteNoise(seconds, rng), FilterKind::kBandPass, centre, 0.8);
  Mono crinkles = Crackle(seconds, crinklesPerSecond, rng);
  // A slowly wandering gain, refreshed by each crinkle, gives the ragged texture.
  double gain = 0.3;
  for (size_t i = 0; i < paper.size(); ++i) {
    if (crinkles[i] != 0.0f) gain = 0.3 + 0.7 * rng.Uniform();
    paper[i] = static_cast<float>(paper[i] * gain);
  }
  MixInto(paper, Resonate(crinkles, centre * 1.3, 2.0), 0, 0.8);
  return paper;
}

Sound PageHint() {
  Rng rng(5000);
  const double length = 1.0;
  Mono hint = Rustle(length, 4200.0, 60.0, rng);
  ApplyEnvelope(hint,
                Segments(length, {{0.0, 0.0}, {0.04, 0.8}, {0.35, 0.5}, {0.9, 0.15}, {1.0, 0.0}}));
  // The soft tone: E6 then B6, a gentle attack, a little vibrato.
  auto note = [](double frequency, double seconds) {
    Mono tone = Glide(seconds, [frequency](double t) {
      return frequency * (1.0 + 0.004 * Sin(kTwoPi * 5.5 * t));
    });
    MixInto(tone, Sine(seconds, frequency * 2.0), 0, 0.15);
    ApplyEnvelope(tone, Segments(seconds, {{0.0, 0.0}, {0.03, 1.0}, {seconds, 0.0}}));
    return tone;
  };
  MixAt(hint, note(1318.5, 0.55), 0.02, 0.35);
  MixAt(hint, note(1975.5, 0.7), 0.2, 0.3);
  hint.resize(static_cast<size_t>(Frames(length)));
  return FinishOneShot(MakeMono(ReverbMono(hint, {.room = 0.4, .wet = 0.15, .tail = 0.0})),
                       role::kCue, 0.003, 0.1);
}

// The page is snatched: a rising swish of paper and a crisp final snap.
Sound PageTake() {
  Rng rng(5100);
  const double length = 0.42;
  Mono swish = FilterSwept(
      WhiteNoise(length, rng), FilterKind::kBandPass,
      [](double t) { return 900.0 * Pow(7.0, std::min(t / 0.14, 1.0)); }, 1.3);
  ApplyEnvelope(swish, Segments(length, {{0.0, 0.0}, {0.1, 0.9}, {0.15, 0.5}, {0.4, 0.0}}));
  Mono paper = Rustle(length, 3500.0, 120.0, rng);
  ApplyEnvelope(paper, Segments(length, {{0.0, 0.0}, {0.05, 0.6}, {0.2, 0.3}, {0.4, 0.0}}));
  MixInto(swish, paper, 0, 0.6);
  Mono crinkle = Resonate(Crackle(length, 400, rng), 3800.0, 1.5);
  ApplyEnvelope(crinkle, Segments(length, {{0.0, 0.2}, {0.12, 1.0}, {0.3, 0.0}}));
  MixInto(swish, crinkle, 0, 1.5);
  Mono snap = Filter(WhiteNoise(0.05, rng), FilterKind::kHighPass, 2500.0);
  ApplyEnvelope(snap, AttackDecay(0.05, 0.0005, 0.007));
  MixAt(swish, snap, 0.14, 1.4);
  return FinishOneShot(MakeMono(swish), role::kCue, 0.003, 0.08);
}

// A struck small bell: a clear fundamental with its fifth and a few bell partials.
Sound CompassChime() {
  const double length = 0.85;
  Mono chime = Struck(length, 1568.0,
                      {{1.0, 1.0, 0.3},
                       {1.5, 0.35, 0.22},
                       {2.0, 0.3, 0.18},
                       {2.76, 0.25, 0.1},
                       {5.4, 0.1, 0.04},
                       {8.93, 0.05, 0.02}});
  Rng rng(5200);
  Mono strike = Filter(WhiteNoise(0.01, rng), FilterKind::kHighPass, 4000.0);
  ApplyEnvelope(strike, AttackDecay(0.01, 0.0002, 0.0015));
  MixInto(chime, strike, 0, 0.3);
  return FinishOneShot(MakeMono(chime), role::kCue, 0.001, 0.15);
}

}  // namespace

void AddCues(Catalogue& catalogue) {
  AddSynthesised(catalogue, "assets/physics/note.wav", [] { return PageHint(); });
  AddSynthesised(catalogue, "assets/physics/note_take.wav", [] { return PageTake(); });
  AddSynthesised(catalogue, "assets/player/compass.wav", [] { return CompassChime(); });
}

}  // namespace assetgen
