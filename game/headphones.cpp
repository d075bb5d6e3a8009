#include "game/headphones.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/hrtf_ring.h"
#include "audio/sound.h"
#include "game/game.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/shown_text.h"
#include "runtime/utf8_path.h"

namespace {

std::atomic<bool> asked{false};
std::atomic<int32_t> waitMs{kGameHeadphonesWait.ms};
std::atomic<bool> escapeLeaves{kGameHeadphonesWait.escapeLeaves};

// One reading of the set, shared by the thread that reads it and the main thread that waits
// for it. The reader may outlive the wait (a set that is not ready in time); what it read
// is then dropped with the last reference.
struct SetReading {
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;            // under lock
  std::optional<HrtfRing> set;  // under lock: the set, when it was read
  std::string why;              // under lock: why not
};

// Main thread only: the run's one reading of the set, once started, and what became of it.
std::string readingPath;
std::shared_ptr<SetReading> reading;
SetState state = SetState::kNotStarted;
std::string refusal;  // why the set was refused
int32_t toldSilencedMixes = 0;

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Tells the player where they are: a line for the terminal, the words for the screen
// reader, and a spoken clip the game plays itself (heard on every system).
void TellPlayer(const std::string& line, const std::string& spoken, const char* clip) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  SpeakText(spoken);
  PlayAnswer(clip);
}

void TellRefused(const std::string& why) {
  TellPlayer("Headphones are off: " + SetRefusal() + ". Playing stereo.",
             "Headphones unavailable: " + why + ". Playing stereo.", kHeadphonesUnavailableSound);
}

void TellNotReady() {
  TellPlayer("Headphones are off: the head-related set " + QuotedExcerpt(readingPath) +
                 " was not read within " + std::to_string(waitMs.load() / 1000) +
                 " seconds. Playing stereo.",
             "Headphones not ready. Playing stereo.", kHeadphonesNotReadySound);
}

// Escape during the wait ends the game as it does in play.
void LeaveOnEscape() {
  WindowPollEvent(0);
  KeyboardExamine();
  if (!KeyDown(kKeyEscape)) return;
  Game().endCause = EndCause::kEscape;
  ShutdownProgram();
}

}  // namespace

bool BinauralAsked(bool switchGiven) {
  const char* value = std::getenv(kBinauralVariable);
  if (switchGiven || value == nullptr || value[0] == '\0') return switchGiven;
  const std::string word = Lowered(value);
  if (word == "1" || word == "yes" || word == "true" || word == "on") return true;
  if (word == "0" || word == "no" || word == "false" || word == "off") return false;
  std::fprintf(stderr, "%s=%s is not one of 1, yes, true, on, 0, no, false, off: ignored.\n",
               kBinauralVariable, QuotedExcerpt(value).c_str());
  std::fflush(stderr);
  return false;
}

void AskForHeadphones(HeadphonesWait wait) {
  waitMs.store(wait.ms, std::memory_order_relaxed);
  escapeLeaves.store(wait.escapeLeaves, std::memory_order_relaxed);
  asked.store(true, std::memory_order_relaxed);
}

std::string HrtfSetPath() {
  if (const char* named = std::getenv(kHrtfVariable); named != nullptr && named[0] != '\0') {
    return named;
  }
  std::error_code error;
  if (std::filesystem::is_regular_file(PathFromUtf8(kHrtfBesideAssets), error)) {
    return kHrtfBesideAssets;
  }
  return kSystemHrtf;
}

void StartReadingSet() {
  if (state != SetState::kNotStarted) return;
  state = SetState::kReading;
  readingPath = HrtfSetPath();
  reading = std::make_shared<SetReading>();
  // Resampling the set takes a good part of a second. Detached, so that a game ended while
  // it reads never waits for it.
  std::thread([shared = reading, path = readingPath, rate = SoundOutputRate()] {
    std::string why;
    std::optional<HrtfRing> set = rate > 0 ? LoadHrtfRing(path, rate, why) : std::nullopt;
    if (rate <= 0) why = "no audio output is open";
    {
      std::scoped_lock lock(shared->lock);
      shared->set = std::move(set);
      shared->why = std::move(why);
      shared->done = true;
    }
    shared->finished.notify_all();
  }).detach();
}

SetState AwaitSet(int32_t ms, bool escapeQuits) {
  if (state != SetState::kReading) return state;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  std::unique_lock lock(reading->lock);
  while (!reading->done && std::chrono::steady_clock::now() < deadline) {
    reading->finished.wait_until(
        lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
    if (reading->done || !escapeQuits) continue;
    lock.unlock();
    LeaveOnEscape();
    lock.lock();
  }
  if (!reading->done) return state;
  refusal = reading->why;
  const bool inUse = reading->set && SoundUseHeadphones(*reading->set, refusal);
  lock.unlock();
  reading.reset();
  state = inUse ? SetState::kInUse : SetState::kRefused;
  return state;
}

std::string SetRefusal() {
  return "the head-related set " + QuotedExcerpt(readingPath) +
         " was refused: " + ShownText(refusal);
}

void StartHeadphones() {
  // Read while the title and the intro play, none of whose sounds is placed.
  if (asked.load(std::memory_order_relaxed)) StartReadingSet();
}

void HeadphonesReady() {
  if (!asked.load(std::memory_order_relaxed)) return;
  switch (AwaitSet(waitMs.load(), escapeLeaves.load())) {
    case SetState::kReading:
      TellNotReady();
      break;
    case SetState::kRefused:
      TellRefused(refusal);
      break;
    default:
      break;
  }
}

void PlayAnswer(const char* clip) {
  constexpr int32_t kAnswerSound = 1;
  if (SoundLoad(kAnswerSound, clip) != 0) SoundPlay(kAnswerSound, kOnce, 100);
}

void TellSilencedMixes() {
  const int32_t silenced = SoundSilencedMixes();
  if (silenced == 0 || toldSilencedMixes != 0) return;
  toldSilencedMixes = silenced;
  std::fprintf(stderr,
               "The sound went out of bounds (not a finite number) and was silenced for a "
               "moment; the headphones' filters were reset.\n");
  std::fflush(stderr);
}
