#include "game/settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <optional>
#include <thread>

#include "audio/hrtf_ring.h"
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
  // The answers, loaded at the first press that needs each; 0 until then.
  int32_t tickSound = 0, endSound = 0;
  int32_t headphonesSound = 0, speakersSound = 0, notReadySound = 0, unavailableSound = 0;
  // Headphones: the set asked for at start (read by StartHeadphones before play), or read
  // when H first needs it; setFailed once that reading failed.
  bool setAskedAtStart = false;
  bool readAtOnce = false;
  std::future<std::string> setReading;
  bool setFailed = false;
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

// A short answer, centred at full volume: heard at the master volume now in force.
void Answer(int32_t& sound, const char* path) {
  if (sound == 0) sound = SoundLoad(kNewHandle, path);
  SoundPlay(sound, kOnce, 100);
}

void Switched(int32_t headphones) {
  settings.inForce.headphones = headphones;
  settings.saved.headphones = headphones;
  Events().SettingChanged(kHeadphonesKey, headphones);
  if (headphones != 0) {
    Answer(settings.headphonesSound, kHeadphonesSound);
  } else {
    Answer(settings.speakersSound, kSpeakersSound);
  }
  Save();
}

// Reads the set for the open output and puts it in use; the reason it could not, or empty.
std::string ReadSet(const std::string& path) {
  std::string why;
  std::optional<HrtfRing> set = LoadHrtfRing(path, SoundOutputRate(), why);
  return set && SoundUseHeadphones(*set, why) ? std::string() : why;
}

void SetReadingEnded(const std::string& why) {
  if (why.empty()) {
    Switched(1);
    return;
  }
  settings.setFailed = true;
  std::fprintf(stderr,
               "quelmire: headphones are unavailable: the head-related set %s could not be read "
               "(%s).\n",
               QuotedExcerpt(HrtfSetPath()).c_str(), ShownText(why).c_str());
  std::fflush(stderr);
  Answer(settings.unavailableSound, kHeadphonesUnavailableSound);
}

void StartReadingSet() {
  if (settings.readAtOnce) {
    SetReadingEnded(ReadSet(HrtfSetPath()));
    return;
  }
  // Detached, so that a game ended meanwhile never waits for it (as at start).
  std::packaged_task<std::string()> read([path = HrtfSetPath()] { return ReadSet(path); });
  settings.setReading = read.get_future();
  std::thread(std::move(read)).detach();
  Answer(settings.notReadySound, kHeadphonesNotReadySound);
}

// Turns headphones on when the reading H started has ended.
void FollowSetReading() {
  if (!settings.setReading.valid() ||
      settings.setReading.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    return;
  }
  SetReadingEnded(settings.setReading.get());
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
  // The set asked for at start is read until play begins; only then is it known to have
  // failed (and told, by HeadphonesReady).
  const bool startupReading = settings.setAskedAtStart && Game().tickCount == 0;
  if (settings.setReading.valid() || startupReading) {
    Answer(settings.notReadySound, kHeadphonesNotReadySound);
  } else if (settings.setFailed || settings.setAskedAtStart) {
    Answer(settings.unavailableSound, kHeadphonesUnavailableSound);
  } else {
    StartReadingSet();
  }
}

void StepVolume(int32_t steps) {
  int32_t& volumeDb = settings.inForce.volumeDb;
  const int32_t wanted = std::clamp(volumeDb + steps * kVolumeStepDb, kVolumeFloorDb, 0);
  if (wanted == volumeDb) {
    Answer(settings.endSound, kVolumeEndSound);
    return;
  }
  volumeDb = wanted;
  SoundSetMasterLevel(volumeDb * 100);
  Events().SettingChanged(kVolumeKey, volumeDb);
  Answer(settings.tickSound, kVolumeTickSound);
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
    settings.setAskedAtStart = true;
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
