#include "game/headphones.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "audio/sound.h"
#include "runtime/shown_text.h"
#include "runtime/utf8_path.h"

namespace {

std::atomic<bool> asked{false};

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
  const std::string path = HrtfSetPath();
  std::string why;
  if (SoundUseHeadphones(path, why)) return;
  std::fprintf(stderr,
               "Binaural sound is off: the head-related set %s could not be read (%s). "
               "Playing stereo.\n",
               QuotedExcerpt(path).c_str(), ShownText(why).c_str());
  std::fflush(stderr);
}
