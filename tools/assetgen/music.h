// tools/assetgen/music.h - the few musical voices shared by the title, the outro and
// the atmosphere layers: a soft detuned pad, a low drone and a tolling bell.
// Frequencies in Hz, times in seconds. Threads: pure functions.
#pragma once

#include <vector>

#include "tools/assetgen/rng.h"
#include "tools/assetgen/sound.h"

namespace assetgen {

// Equal-tempered note: 0 = A4 (440 Hz), 12 per octave.
double Note(int semitonesFromA4);

// Stereo pad: each note is a band-limited saw on each side, detuned a little apart and
// drifting slowly, low-passed at `brightness` Hz, rising over `attack` and falling over
// `release` at the end of `seconds`.
Sound Pad(const std::vector<double>& notes, double seconds, double attack, double release,
          double brightness, Rng& rng);

// Low mono drone: a saw and its octave below, slowly beating, darkened at `brightness`.
Mono Drone(double frequency, double seconds, double beatHz, double brightness);

// A big bell struck once: inharmonic partials with long decays.
Mono Bell(double frequency, double seconds);

}  // namespace assetgen
