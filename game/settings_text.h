// game/settings_text.h - the player's settings as the settings file holds them: plain
// "key = value" lines, each key after a comment naming it and its range.
// Threads: pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The master volume's range and step, in whole decibels; 0 is the mix as it is.
inline constexpr int32_t kVolumeFloorDb = -30;
inline constexpr int32_t kVolumeStepDb = 3;

struct PlayerSettings {
  int32_t volumeDb = 0;    // kVolumeFloorDb .. 0, a multiple of kVolumeStepDb
  int32_t headphones = 0;  // 1: placed sounds through head-related filters; 0: stereo
  bool operator==(const PlayerSettings&) const = default;
};

// The keys as the file names them.
inline constexpr const char* kVolumeKey = "volume";
inline constexpr const char* kHeadphonesKey = "headphones";

// Longest settings file read, in bytes: anything longer is not one the game wrote.
inline constexpr size_t kSettingsFileLimit = 64 * 1024;

struct SettingsRead {
  PlayerSettings settings;            // the defaults where a key was missing or unusable
  std::vector<std::string> problems;  // one sentence each, naming the line; empty: all fine
};

// Reads the file's text. Blank lines and lines starting with # or ; are comments; every
// other line must be "key = value" with a known key and a value in its range. Whatever is
// wrong leaves that key at its default and is named in `problems`.
SettingsRead ReadSettingsText(std::string_view text);

// The file's text for `settings`, comments included; ReadSettingsText gives them back.
std::string SettingsText(const PlayerSettings& settings);
