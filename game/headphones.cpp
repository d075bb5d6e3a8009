#include "game/headphones.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>

#include "audio/sound.h"
#include "runtime/shown_text.h"
#include "runtime/utf8_path.h"

namespace {

std::atomic<bool> asked{false};

// The set's reading, from StartHeadphones to HeadphonesReady; main thread only.
struct Reading {
  std::string path;
  std::future<std::string> why;  // empty when the set was read
};
Reading reading;

bool VariableSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' && std::string(value) != "0";
}

}  // namespace

bool BinauralAsked(bool switchGiven) {
  return switchGiven || VariableSet(kBinauralVariable);
}

void AskForHeadphones() {
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

void StartHeadphones() {
  if (!asked.load(std::memory_order_relaxed)) return;
  reading.path = HrtfSetPath();
  // Resampling the set takes a good part of a second: it is read while the title and the
  // intro play, none of whose sounds is placed. Detached, so that a game ended before play
  // never waits for it; the engine it fills outlives the process's end.
  std::packaged_task<std::string()> read([path = reading.path] {
    std::string why;
    return SoundUseHeadphones(path, why) ? std::string() : why;
  });
  reading.why = read.get_future();
  std::thread(std::move(read)).detach();
}

void HeadphonesReady() {
  if (!reading.why.valid()) return;
  const std::string why = reading.why.get();
  if (why.empty()) return;
  std::fprintf(stderr,
               "Binaural sound is off: the head-related set %s could not be read (%s). "
               "Playing stereo.\n",
               QuotedExcerpt(reading.path).c_str(), ShownText(why).c_str());
  std::fflush(stderr);
}
