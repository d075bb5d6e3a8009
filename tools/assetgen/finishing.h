// tools/assetgen/finishing.h - the last steps every sound goes through before it is
// written: DC removal, loudness by role, the peak ceiling, silent ends for one-shots
// and a seamless wrap for loops.
//
// Loudness by role. The game plays cues at volume 100 (or less by distance), the
// ambience bed at 50 (-6 dB), the breath at 10..90 by stamina and the statics at 20..100
// by the stalker's distance. The targets below keep footsteps and cues clear without
// being harsh, beds well under the cues and speech clearly above the beds it is heard
// over. Peak targets are for short percussive sounds, whose loudness is their attack;
// RMS targets (measured over the parts louder than -50 dBFS) are for sustained sounds.
// Whatever the target, no sample exceeds kPeakCeilingDb.
// Threads: pure functions.
#pragma once

#include "tools/assetgen/sound.h"

namespace assetgen {

// The highest peak of any file: -1 dBFS less a margin for 16-bit rounding.
constexpr double kPeakCeilingDb = -1.2;

enum class Measure { kPeak, kRms };

struct Loudness {
  Measure measure;
  double db;  // dBFS target
};

namespace role {
constexpr Loudness kFootstep{Measure::kPeak, -7.0};
constexpr Loudness kKnock{Measure::kPeak, -5.0};
constexpr Loudness kCue{Measure::kPeak, -4.0};              // page hint, page taken, compass
constexpr Loudness kAmbientNoise{Measure::kPeak, -6.0};     // heard from afar, attenuated
constexpr Loudness kSpeech{Measure::kRms, -17.0};           // page announcements
constexpr Loudness kNarration{Measure::kRms, -18.0};        // intro, outro, title (voice + music)
constexpr Loudness kSting{Measure::kPeak, kPeakCeilingDb};  // death, the stalker's arrival
constexpr Loudness kBed{Measure::kRms, -30.0};              // ambience bed, played at 50
constexpr Loudness kBreath{Measure::kRms, -22.0};           // scaled again by stamina in game
constexpr Loudness kStaticLayer{Measure::kRms, -24.0};      // static1, static3
constexpr Loudness kStalker{Measure::kRms, -19.0};          // static2, positional
constexpr Loudness kAtmosphere{Measure::kRms, -37.0};  // four layers that stack, under the hints
}  // namespace role

double PeakOf(const Sound& sound);  // largest |sample|
// RMS over 50 ms blocks whose own RMS is above -50 dBFS (silence does not count).
double GatedRmsOf(const Sound& sound);

// Scales to the target, then down again if a peak would pass the ceiling.
void SetLoudness(Sound& sound, Loudness loudness);

// A one-shot: removes DC, fades the first `fadeIn` and last `fadeOut` seconds so the
// sound starts and ends at exact silence, and sets its loudness.
Sound FinishOneShot(Sound sound, Loudness loudness, double fadeIn = 0.002, double fadeOut = 0.02);

// A loop: `sound` holds the loop plus `crossfade` seconds more; the extra is blended
// into the start (equal power), so the last frame runs on into the first exactly as it
// ran on in the source. DC is removed, then the loudness is set.
Sound FinishLoop(Sound sound, Loudness loudness, double crossfade);

}  // namespace assetgen
