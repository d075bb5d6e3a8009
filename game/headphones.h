// game/headphones.h - the player's choice of headphones: the positioned sounds heard through
// head-related filters (binaural) instead of the stereo pan law.
// Threads: AskForHeadphones before the game starts; the rest on the main thread.
#pragma once

#include <cstdint>
#include <string>

// Where the head-related set is looked for, in order: the file named by this variable; the
// set beside the sound files (an unpacked zip); the one the system's libmysofa installs.
inline constexpr const char* kHrtfVariable = "QUELMIRE_HRTF";
inline constexpr const char* kHrtfBesideAssets = "hrtf/default.sofa";
inline constexpr const char* kSystemHrtf = "/usr/share/libmysofa/default.sofa";

// The variable that asks for headphones as the --binaural switch does: 1, yes, true or on
// (any letter case) asks; 0, no, false or off, or unset or empty, does not; anything else
// is one line on standard error and asks nothing.
inline constexpr const char* kBinauralVariable = "QUELMIRE_BINAURAL";

// True when `--binaural` was given or the variable above asks for it.
bool BinauralAsked(bool switchGiven);

// How play waits for the set after the intro. The set is read while the title and the
// intro play; the game waits a few real seconds more at most, Escape leaving at once, and
// then plays stereo.
struct HeadphonesWait {
  int32_t ms;         // real milliseconds
  bool escapeLeaves;  // Escape ends the game during the wait
};
inline constexpr HeadphonesWait kGameHeadphonesWait{3000, true};
// The simulator's runs must not depend on the machine's speed, so it waits longer; its clock
// stands still meanwhile, so no key can come.
inline constexpr HeadphonesWait kSimulatorHeadphonesWait{120000, false};

// The next start-up hears positioned sounds through the head-related set.
void AskForHeadphones(HeadphonesWait wait = kGameHeadphonesWait);

// At start-up, with the sound engine running: starts reading the set if headphones were
// asked for, on a thread of its own.
void StartHeadphones();

// Before the first placed sound: waits for the set, at most the time asked for, and puts
// it in use. Escape during the wait ends the game at once, as in play. A set that was
// refused, or is not ready in time, is told once (standard error, speech, and a spoken
// clip) and the game plays the stereo law; it never stops the game.
void HeadphonesReady();

// The run's one reading of the set: started at start-up when headphones are asked for, or
// by the player's H. Main thread.
enum class SetState {
  kNotStarted,
  kReading,
  kInUse,    // read, checked and given to the sound engine (SoundUseHeadphones)
  kRefused,  // SetRefusal() says why
};
// Starts reading the set on a thread of its own, unless it was started before.
void StartReadingSet();
// Waits at most `ms` real milliseconds (0: only looks) for the reading to end, and puts a
// set that was read in use; Escape during the wait ends the game when `escapeQuits`.
SetState AwaitSet(int32_t ms, bool escapeQuits);
// "the head-related set 'F' was refused: <why>", once the set was refused.
std::string SetRefusal();

// Once a tick in play: a mix that went out as silence for not being finite is told once.
void TellSilencedMixes();

// The spoken clips that tell why headphones are not on.
inline constexpr const char* kHeadphonesNotReadySound = "assets/settings/headphones_not_ready.wav";
inline constexpr const char* kHeadphonesUnavailableSound =
    "assets/settings/headphones_unavailable.wav";

// Plays one of the game's short answers (a spoken clip, a volume tick) centred at full volume,
// under a static sound number: a new answer takes the place of the last, and none takes a
// dynamic handle, so the handles every other sound of a run gets stay as they were.
void PlayAnswer(const char* clip);

// The set's path, as looked for above.
std::string HrtfSetPath();
