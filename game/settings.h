// game/settings.h - the player's own settings: the master volume (Page Up, Page Down) and
// headphones (H), at the title, in the intro and in play, each change answered by a short
// sound and remembered in the settings file (game/settings_text.h) when the run keeps one.
// Neither key is one the game's rules read.
// Threads: UseSettingsFile before the game starts; the rest on the main thread.
#pragma once

#include <string>

#include "game/headphones.h"
#include "game/settings_text.h"

// Key codes of the settings keys (input/key_codes.h's numbering).
inline constexpr int32_t kKeyPageUp = 201;
inline constexpr int32_t kKeyPageDown = 209;
inline constexpr int32_t kKeyH = 35;

// The answers to the settings keys.
inline constexpr const char* kVolumeTickSound = "assets/settings/volume_tick.wav";
inline constexpr const char* kVolumeEndSound = "assets/settings/volume_end.wav";
inline constexpr const char* kHeadphonesSound = "assets/settings/headphones.wav";
inline constexpr const char* kSpeakersSound = "assets/settings/speakers.wav";

// Whether a change is written back to the file read at start.
enum class SettingsWrite { kReadOnly, kWriteBack };

// The file the run starts from (UTF-8; empty: the defaults). With kWriteBack each change is
// saved to it, off the game's thread.
void UseSettingsFile(const std::string& path, SettingsWrite write);

// The command line or the environment asked for headphones (game/headphones.h's
// BinauralAsked): they are on for this run whatever the file says, and that is not saved.
void AskHeadphonesForThisRun();

// H reads the head-related set, the first time it is needed, on a thread of its own, and
// answers "Headphones not ready" until it is read. The simulator reads it at once instead:
// its virtual time stands still while it does, so that a run stays a function of its seed
// and script.
void ReadHeadphonesAtOnce();

// At start, with the sound engine running and before headphones start: reads the file and
// puts its settings in force. A missing file is the defaults; an unreadable or damaged one,
// or a value out of range, is one line on standard error and the default for that key (the
// file is left as it is until the player changes something).
void LoadSettings();

// Once per pass of the title and intro loops and once per tick, after the keyboard was
// examined: acts on a released settings key.
void HandleSettingsKeys();

// The end sequence: waits a short, fixed time for a change still being saved.
void SettingsEnd();

// The settings in force (the run's own, which a command-line switch may override).
PlayerSettings SettingsInForce();
