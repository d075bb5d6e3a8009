// The answers to the volume keys: a short bright tick for each step, heard at the new
// level so that the player hears where the volume is, and a duller double knock, lower and
// longer, when a press would go past either end. Both wait a few milliseconds before they
// sound, so that the master volume has reached its new level by their first sample.
#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

// The master volume's glide (kGainRampMs) and a little more.
constexpr double kLeadSilence = 0.006;
// Answers, not events of the world: clearly under the cues.
constexpr Loudness kAnswer{Measure::kPeak, -9.0};

Sound VolumeTick() {
  const double length = 0.07;
  Mono tick = Silence(length);
  MixAt(tick,
        Struck(length - kLeadSilence, 2000.0,
               {{1.0, 1.0, 0.010}, {2.76, 0.35, 0.005}, {5.4, 0.1, 0.003}}),
        kLeadSilence);
  return FinishOneShot(MakeMono(tick), kAnswer, 0.001, 0.01);
}

// Two hollow knocks falling in pitch: "no further".
Sound VolumeEnd() {
  const double length = 0.32;
  Mono end = Silence(length);
  auto knock = [](double from, double to) {
    const double seconds = 0.12;
    Mono tone = Harmonic(
        seconds, [from, to](double t) { return from + (to - from) * t / 0.12; }, SquarePartials(6));
    ApplyEnvelope(tone, AttackDecay(seconds, 0.002, 0.035));
    return tone;
  };
  MixAt(end, knock(520.0, 470.0), kLeadSilence);
  MixAt(end, knock(400.0, 340.0), kLeadSilence + 0.14);
  return FinishOneShot(MakeMono(end), kAnswer, 0.001, 0.03);
}

}  // namespace

void AddSettingsSounds(Catalogue& catalogue) {
  AddSynthesised(catalogue, "assets/settings/volume_tick.wav", [] { return VolumeTick(); });
  AddSynthesised(catalogue, "assets/settings/volume_end.wav", [] { return VolumeEnd(); });
}

}  // namespace assetgen
