// The long loops under play: the night ambience bed, the player's breathing and the
// three statics of the stalker (the outer and inner layers that rise as it nears, and
// its own sound, the harshest). Every loop is made longer than it plays and folded
// onto itself (FinishLoop), so the wrap is seamless.
#include <cmath>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

// Wind in the grass and the trees, a far rumble, and faint insects, wide in stereo.
Sound AmbienceBed() {
  const double loop = 30.0, fade = 3.0, length = loop + fade;
  Rng rng(8000);
  Mono channels[2];
  for (Mono& wind : channels) {
    double rate = rng.Range(0.05, 0.09), phase = rng.Range(0.0, kTwoPi);
    wind = FilterSwept(
        PinkNoise(length, rng), FilterKind::kLowPass,
        [=](double t) { return 500.0 + 300.0 * Sin(kTwoPi * rate * t + phase); }, 0.7);
    ApplyEnvelope(wind, Sampled(length, [=](double t) {
                    return 0.6 + 0.3 * Sin(kTwoPi * rate * 1.7 * t + phase) +
                           0.1 * Sin(kTwoPi * 0.31 * t);
                  }));
    Mono rumble = Filter(BrownNoise(length, rng), FilterKind::kLowPass, 90.0);
    MixInto(wind, rumble, 0, 1.5);
  }
  // Far insects: short soft trills here and there, each on one side.
  for (int n = 0; n < 14; ++n) {
    double at = rng.Range(0.0, length - 1.5), f = rng.Range(3800, 5200), span = rng.Range(0.5, 1.2);
    Mono trill = Sine(span, f);
    ApplyEnvelope(trill, Sampled(span, [span](double t) {
                    return Sin(kPi * t / span) * (std::fmod(t, 0.04) < 0.02 ? 1.0 : 0.3);
                  }));
    MixAt(channels[rng.Below(2)], OnePoleLowPass(trill, 8000.0), at, 0.012);
  }
  return FinishLoop(MakeStereo(channels[0], channels[1]), role::kBed, fade);
}

// One breath: air through the throat and mouth, shaped by two formants.
Mono Breath(double seconds, double formant1, double formant2, double strength, Rng& rng) {
  Mono air = WhiteNoise(seconds, rng);
  Mono breath = Resonate(air, formant1, 2.5);
  MixInto(breath, Resonate(air, formant2, 3.0), 0, 0.7);
  MixInto(breath, Filter(air, FilterKind::kBandPass, 4500.0, 1.0), 0, 0.05);
  breath = Filter(breath, FilterKind::kLowPass, 5000.0);
  Scale(breath, strength);
  return breath;
}

// Laboured breathing after effort: in through the mouth, out a little longer and
// louder, about 27 breaths a minute, each cycle a little different.
Sound Breathing() {
  const double cycle = 2.2, fade = 0.4;
  const int cycles = 4;
  Rng rng(8100);
  Mono out = Silence(cycle * (cycles + 1));
  for (int n = 0; n <= cycles; ++n) {
    double start = cycle * n;
    double in = rng.Range(0.75, 0.85), out1 = rng.Range(0.9, 1.05);
    Mono inhale = Breath(in, rng.Range(1100, 1300), rng.Range(2400, 2800), 0.7, rng);
    ApplyEnvelope(inhale, Segments(in, {{0, 0}, {in * 0.7, 1}, {in, 0}}));
    Mono exhale = Breath(out1, rng.Range(700, 850), rng.Range(1600, 1900), 1.0, rng);
    ApplyEnvelope(exhale, Segments(out1, {{0, 0}, {0.08, 1}, {out1 * 0.5, 0.6}, {out1, 0}}));
    MixAt(out, inhale, start + 0.05);
    MixAt(out, exhale, start + 0.05 + in + 0.1);
  }
  // Only cycles 0..3 play; the fifth supplies the continuation folded into the start.
  out.resize(static_cast<size_t>(Frames(cycle * cycles + fade)));
  return FinishLoop(MakeMono(out), role::kBreath, fade);
}

// Outer static: soft, far-away hiss with slow flutter and a few crackles.
Sound StaticOuter() {
  const double loop = 4.0, fade = 0.5, length = loop + fade;
  Rng rng(8200);
  Mono hiss = Filter(PinkNoise(length, rng), FilterKind::kLowPass, 3500.0);
  ApplyEnvelope(hiss, Sampled(length, [](double t) { return 0.8 + 0.2 * Sin(kTwoPi * 0.9 * t); }));
  MixInto(hiss, OnePoleLowPass(Crackle(length, 25, rng), 5000.0), 0, 0.8);
  return FinishLoop(MakeMono(hiss), role::kStaticLayer, fade);
}

// Inner static: denser and nearer: brighter noise, busy crackle, mains hum and a thin
// whine drifting like a radio off its station.
Sound StaticInner() {
  const double loop = 4.0, fade = 0.5, length = loop + fade;
  Rng rng(8300);
  Mono noise = Filter(WhiteNoise(length, rng), FilterKind::kBandPass, 2500.0, 0.5);
  ApplyEnvelope(noise, Sampled(length, [](double t) {
                  return 0.7 + 0.3 * Sin(kTwoPi * 3.3 * t) * Sin(kTwoPi * 0.7 * t);
                }));
  MixInto(noise, Crackle(length, 180, rng), 0, 0.6);
  MixInto(noise, Harmonic(length, [](double) { return 60.0; }, {0.4, 0.3, 0.25, 0.1, 0.1}), 0,
          0.35);
  MixInto(noise, Glide(length, [](double t) { return 3100.0 + 200.0 * Sin(kTwoPi * 0.4 * t); }), 0,
          0.04);
  return FinishLoop(MakeMono(noise), role::kStaticLayer, fade);
}

// The stalker's own sound: crushed white noise, a saturated buzz and stuttering
// gates, the harshest texture of the game.
Sound StalkerStatic() {
  const double loop = 3.0, fade = 0.3, length = loop + fade;
  Rng rng(8400);
  Mono noise = Crush(WhiteNoise(length, rng), 2, 5);
  MixInto(noise, Filter(WhiteNoise(length, rng), FilterKind::kHighPass, 4000.0), 0, 0.6);
  MixInto(noise, Crackle(length, 400, rng), 0, 1.0);
  Mono buzz = Saturate(
      Harmonic(
          length, [](double t) { return 100.0 + 6.0 * Sin(kTwoPi * 0.5 * t); }, SawPartials(80)),
      4.0);
  MixInto(noise, buzz, 0, 0.3);
  ApplyEnvelope(noise, RandomGate(noise.size(), 0.75, 0.25, 0.03, 0.07, rng));
  return FinishLoop(MakeMono(Saturate(noise, 2.0)), role::kStalker, fade);
}

}  // namespace

void AddBeds(Catalogue& catalogue) {
  AddSynthesised(
      catalogue, "assets/ambience/amb.wav", [] { return AmbienceBed(); }, Encoding::kVorbis);
  AddSynthesised(catalogue, "assets/player/breath.wav", [] { return Breathing(); });
  AddSynthesised(catalogue, "assets/static/static1.wav", [] { return StaticOuter(); });
  AddSynthesised(catalogue, "assets/static/static2.wav", [] { return StalkerStatic(); });
  AddSynthesised(catalogue, "assets/static/static3.wav", [] { return StaticInner(); });
}

}  // namespace assetgen
