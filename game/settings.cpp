#include "game/settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "audio/sound.h"
#include "game/game_events.h"
#include "game/headphones.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/config_file.h"
#include "platform/latest_text_writer.h"
#include "runtime/shown_text.h"

namespace {

// How long the end sequence gives a save still under way.
constexpr int32_t kSaveGraceMs = 500;

// Main thread only.
struct SettingsState {
  std::string path;
  SettingsWrite write = SettingsWrite::kReadOnly;
  PlayerSettings saved;          // what the file holds, or is to hold once written
  PlayerSettings inForce;        // what the run plays with
  bool headphonesAsked = false;  // by the command line or the environment
  // Headphones: the simulator reads the set at once; H waits for a reading it started.
  bool readAtOnce = false;
  bool switchOnWhenRead = false;
  LatestTextWriter* writer = nullptr;  // made at the first change; never destroyed
};
SettingsState settings;

void Tell(const std::string& line) {
  std::fprintf(stderr, "quelmire: %s\n", line.c_str());
  std::fflush(stderr);
}

PlayerSettings ReadSettingsFile(const std::string& path) {
  std::string text, why;
  switch (ReadConfigFile(path, kSettingsFileLimit, text, why)) {
    case ReadResult::kMissing:
      return {};
    case ReadResult::kFailed:
      Tell("the settings file " + QuotedExcerpt(path) + " cannot be read (" + ShownText(why) +
           "); playing with the default settings.");
      return {};
    case ReadResult::kRead:
      break;
  }
  SettingsRead read = ReadSettingsText(text);
  if (!read.problems.empty()) {
    const size_t more = read.problems.size() - 1;
    Tell("the settings file " + QuotedExcerpt(path) + ", " + read.problems.front() +
         "; that setting keeps its default" +
         (more > 0 ? " (" + std::to_string(more) + " more line(s) like it)." : "."));
  }
  return read.settings;
}

void Save() {
  settings.saved.volumeDb = settings.inForce.volumeDb;
  if (settings.write != SettingsWrite::kWriteBack || settings.path.empty()) return;
  if (settings.writer == nullptr) settings.writer = new LatestTextWriter(settings.path, "settings");
  settings.writer->Post(SettingsText(settings.saved));
}

void Switched(int32_t headphones) {
  settings.inForce.headphones = headphones;
  settings.saved.headphones = headphones;
  Events().SettingChanged(kHeadphonesKey, headphones);
  if (headphones != 0) {
    PlayAnswer(kHeadphonesSound);
  } else {
    PlayAnswer(kSpeakersSound);
  }
  Save();
}

// The end of the reading H started: headphones on, or "Headphones unavailable".
void FollowSetReading() {
  if (!settings.switchOnWhenRead) return;
  const SetState read = AwaitSet(settings.readAtOnce ? kSimulatorHeadphonesWait.ms : 0, false);
  if (read == SetState::kReading) return;
  settings.switchOnWhenRead = false;
  if (read == SetState::kInUse) {
    Switched(1);
    return;
  }
  Tell("headphones are unavailable: " + SetRefusal() + ".");
  PlayAnswer(kHeadphonesUnavailableSound);
}

void SwitchHeadphones() {
  if (SoundHeadphonesOn()) {
    SoundSetHeadphones(false);
    Switched(0);
    return;
  }
  if (SoundSetHeadphones(true)) {
    Switched(1);
    return;
  }
  // Read once a run: a set refused stays refused; one still being read (also the one asked
  // for at start) is waited for.
  if (AwaitSet(0, false) == SetState::kRefused) {
    PlayAnswer(kHeadphonesUnavailableSound);
    return;
  }
  StartReadingSet();
  settings.switchOnWhenRead = true;
  if (settings.readAtOnce) {
    FollowSetReading();
    return;
  }
  PlayAnswer(kHeadphonesNotReadySound);
}

void StepVolume(int32_t steps) {
  int32_t& volumeDb = settings.inForce.volumeDb;
  const int32_t wanted = std::clamp(volumeDb + steps * kVolumeStepDb, kVolumeFloorDb, 0);
  if (wanted == volumeDb) {
    PlayAnswer(kVolumeEndSound);
    return;
  }
  volumeDb = wanted;
  SoundSetMasterLevel(volumeDb * 100);
  Events().SettingChanged(kVolumeKey, volumeDb);
  PlayAnswer(kVolumeTickSound);
  Save();
}

}  // namespace

void UseSettingsFile(const std::string& path, SettingsWrite write) {
  settings.path = path;
  settings.write = write;
}

void AskHeadphonesForThisRun() {
  settings.headphonesAsked = true;
}

// Only what the file changes is reported: a run without one traces as it always did.
void LoadSettings() {
  if (!settings.path.empty()) settings.saved = ReadSettingsFile(settings.path);
  settings.inForce = settings.saved;
  if (settings.saved.volumeDb != 0) {
    SoundSetMasterLevel(settings.saved.volumeDb * 100);
    Events().SettingChanged(kVolumeKey, settings.saved.volumeDb);
  }
  if (settings.saved.headphones != 0) Events().SettingChanged(kHeadphonesKey, 1);
  if (settings.headphonesAsked) settings.inForce.headphones = 1;
  if (settings.inForce.headphones != 0) {
    AskForHeadphones(settings.readAtOnce ? kSimulatorHeadphonesWait : kGameHeadphonesWait);
  }
}

void ReadHeadphonesAtOnce() {
  settings.readAtOnce = true;
}

void HandleSettingsKeys() {
  if (KeyReleased(kKeyPageUp)) StepVolume(+1);
  if (KeyReleased(kKeyPageDown)) StepVolume(-1);
  FollowSetReading();
  if (KeyReleased(kKeyH)) SwitchHeadphones();
}

void SettingsEnd() {
  if (settings.writer != nullptr) settings.writer->Finish(kSaveGraceMs);
}

PlayerSettings SettingsInForce() {
  return settings.inForce;
}
