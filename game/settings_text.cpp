#include "game/settings_text.h"

#include <charconv>

#include "runtime/shown_text.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A whole decimal number, optionally signed; false for anything else or past int32_t.
bool WholeNumber(std::string_view text, int32_t& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && stop == end;
}

bool VolumeInRange(int32_t db) {
  return db >= kVolumeFloorDb && db <= 0 && db % kVolumeStepDb == 0;
}

// Takes one "key = value" line into `settings`; an empty answer when it was usable.
std::string TakeLine(std::string_view line, PlayerSettings& settings) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return "not a \"key = value\" line";
  const std::string_view key = Trimmed(line.substr(0, equals));
  int32_t value = 0;
  const bool number = WholeNumber(Trimmed(line.substr(equals + 1)), value);
  if (key == kVolumeKey) {
    if (!number || !VolumeInRange(value)) {
      return "not a volume from -30 to 0 in steps of 3 (decibels)";
    }
    settings.volumeDb = value;
    return {};
  }
  if (key == kHeadphonesKey) {
    if (!number || (value != 0 && value != 1)) return "headphones is 0 or 1";
    settings.headphones = value;
    return {};
  }
  return "no setting the game has";
}

}  // namespace

SettingsRead ReadSettingsText(std::string_view text) {
  SettingsRead read;
  PlayerSettings& taken = read.settings;
  size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    const std::string why = TakeLine(line, taken);
    if (why.empty()) continue;
    read.problems.push_back("line " + std::to_string(lineNumber) + ", " + QuotedExcerpt(line) +
                            ": " + why);
  }
  return read;
}

std::string SettingsText(const PlayerSettings& settings) {
  return "# Vorlent: The Quelmire - the player's own settings. The game writes this file\n"
         "# whenever one changes in play (Page Up, Page Down, H). A value it cannot use\n"
         "# counts as that setting's default.\n"
         "\n"
         "# volume: the master volume in decibels, -30 to 0 in steps of 3 (0, the default,\n"
         "# is full). Page Up and Page Down change it.\n"
         "volume = " +
         std::to_string(settings.volumeDb) +
         "\n"
         "\n"
         "# headphones: 1 hears the placed sounds through head-related filters (binaural),\n"
         "# 0 (the default) the stereo mix. H switches it.\n"
         "headphones = " +
         std::to_string(settings.headphones) + "\n";
}
