// game/headphones.h - the player's choice of headphones: the positioned sounds heard through
// head-related filters (binaural) instead of the stereo pan law.
// Threads: AskForHeadphones before the game starts; the rest on game threads.
#pragma once

#include <string>

// Where the head-related set is looked for, in order: the file named by this variable; the
// set beside the sound files (an unpacked zip); the one the system's libmysofa installs.
inline constexpr const char* kHrtfVariable = "QUELMIRE_HRTF";
inline constexpr const char* kHrtfBesideAssets = "hrtf/default.sofa";
inline constexpr const char* kSystemHrtf = "/usr/share/libmysofa/default.sofa";

// The variable that asks for headphones as the --binaural switch does: set to anything but
// "" or "0".
inline constexpr const char* kBinauralVariable = "QUELMIRE_BINAURAL";

// True when `--binaural` was given or the variable above asks for it.
bool BinauralAsked(bool switchGiven);

// The next start-up hears positioned sounds through the head-related set.
void AskForHeadphones();

// At start-up, with the sound engine running: starts reading the set if headphones were
// asked for, on a thread of its own.
void StartHeadphones();

// Before the first placed sound: waits for the set. A set that could not be read is told
// once on standard error, and the game plays the stereo law; it never stops the game.
void HeadphonesReady();

// The set's path, as looked for above.
std::string HrtfSetPath();
