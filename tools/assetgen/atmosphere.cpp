// Four atmosphere layers that join as pages are taken (after 1, 3, 5 and 7) and then
// play together, so they share one key (D minor) and stay out of each other's range:
//   n1  a thin, high, slowly breathing pad - uneasy calm;
//   n3  a low beating drone with breath in it - darker;
//   n5  a clashing mid cluster (D, E flat, the tritone G sharp) pulsing - tense;
//   n7  a heartbeat under a sub drone with a thin glassy whine - dread.
// Each is a 24-second stereo loop.
#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

constexpr double kLoop = 24.0;
constexpr double kFade = 3.0;
constexpr double kLength = kLoop + kFade;

// Wide stereo room around a mono source.
Sound Room(const Mono& dry, double wet) {
  Sound s = Reverb(
      dry, {.room = 0.85, .damping = 0.5, .wet = wet, .dry = 0.7, .width = 1.0, .tail = 0.0});
  return s;
}

Sound HighPad() {
  Rng rng(9100);
  Sound pad = Pad({Note(-7), Note(0), Note(8)}, kLength, 0.01, 0.01, 1600.0, rng);  // D4, A4, F5
  // A slow breath in the loudness, one swell per 8 seconds so it folds evenly.
  Mono swell = Sampled(kLength, [](double t) { return 0.65 + 0.35 * Sin(kTwoPi * t / 8.0); });
  for (int64_t i = 0; i < pad.Frames(); ++i) {
    pad.samples[static_cast<size_t>(2 * i)] *= swell[static_cast<size_t>(i)];
    pad.samples[static_cast<size_t>(2 * i + 1)] *= swell[static_cast<size_t>(i)];
  }
  MixSound(pad, Room(Channel(pad, 0), 0.5), 0.0, 0.5);
  pad.samples.resize(static_cast<size_t>(Frames(kLength)) * 2);
  return FinishLoop(pad, role::kAtmosphere, kFade);
}

Sound LowDrone() {
  Rng rng(9300);
  Mono left = Drone(Note(-31), kLength, 0.25, 380.0);  // D2, beating slowly
  Mono right = Drone(Note(-31), kLength, 0.33, 380.0);
  Mono breath = FilterSwept(
      PinkNoise(kLength, rng), FilterKind::kBandPass,
      [](double t) { return 500.0 + 250.0 * Sin(kTwoPi * t / 6.0); }, 2.0);
  MixInto(left, breath, 0, 0.5);
  MixInto(right, breath, 0, 0.4);
  Sound drone = MakeStereo(left, right);
  return FinishLoop(drone, role::kAtmosphere, kFade);
}

Sound Cluster() {
  Rng rng(9500);
  Sound cluster =
      Pad({Note(-19), Note(-18), Note(-13)}, kLength, 0.01, 0.01, 1100.0, rng);  // D3, Eb3, G#3
  // Uneven pulsing: two tremolos at 2.9 and 4.3 Hz beat against each other.
  Mono pulse = Sampled(kLength, [](double t) {
    return 0.55 + 0.25 * Sin(kTwoPi * 2.9 * t) + 0.2 * Sin(kTwoPi * 4.3 * t);
  });
  for (int64_t i = 0; i < cluster.Frames(); ++i) {
    cluster.samples[static_cast<size_t>(2 * i)] *= pulse[static_cast<size_t>(i)];
    cluster.samples[static_cast<size_t>(2 * i + 1)] *= pulse[static_cast<size_t>(i)];
  }
  return FinishLoop(cluster, role::kAtmosphere, kFade);
}

Sound Heartbeat() {
  Rng rng(9700);
  // 28 beats in 24 seconds (70 a minute): a whole number per loop, so the fold keeps time.
  const double beat = kLoop / 28.0;
  Mono heart = Silence(kLength);
  for (double t = 0.1; t < kLength; t += beat) {
    for (auto [offset, size] : {std::pair{0.0, 1.0}, std::pair{0.22, 0.7}}) {
      Mono thump = Glide(0.25, [](double u) { return 45.0 + 30.0 * Exp(-u / 0.03); });
      ApplyEnvelope(thump, AttackDecay(0.25, 0.004, 0.06));
      MixAt(heart, thump, t + offset, size);
    }
  }
  heart.resize(static_cast<size_t>(Frames(kLength)));
  Mono sub = Drone(Note(-43), kLength, 0.15, 120.0);  // D1
  MixInto(heart, sub, 0, 0.25);
  // A thin glassy whine high up, a quarter-tone out of tune with the pad above it.
  Mono whine = Glide(kLength, [](double t) { return 1209.0 + 12.0 * Sin(kTwoPi * t / 12.0); });
  ApplyEnvelope(whine,
                Sampled(kLength, [](double t) { return 0.5 + 0.5 * Sin(kTwoPi * t / 6.0); }));
  Sound out = MakeStereo(heart, heart);
  MixSound(out, Room(whine, 0.6), 0.0, 0.03);
  out.samples.resize(static_cast<size_t>(Frames(kLength)) * 2);
  return FinishLoop(out, role::kAtmosphere, kFade);
}

}  // namespace

void AddAtmosphere(Catalogue& catalogue) {
  AddSynthesised(
      catalogue, "assets/atmosphere/n1.wav", [] { return HighPad(); }, Encoding::kVorbis);
  AddSynthesised(
      catalogue, "assets/atmosphere/n3.wav", [] { return LowDrone(); }, Encoding::kVorbis);
  AddSynthesised(
      catalogue, "assets/atmosphere/n5.wav", [] { return Cluster(); }, Encoding::kVorbis);
  AddSynthesised(
      catalogue, "assets/atmosphere/n7.wav", [] { return Heartbeat(); }, Encoding::kVorbis);
}

}  // namespace assetgen
