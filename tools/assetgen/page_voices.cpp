// The page announcements "Page one" .. "Page eight", played centred when the player
// reaches a page. Clear speech with only a breath of room around it.
#include <array>
#include <string>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/speech.h"

namespace assetgen {
namespace {

constexpr std::array<const char*, 8> kNumberWords = {"one",  "two", "three", "four",
                                                     "five", "six", "seven", "eight"};

std::optional<Sound> PageVoice(int page) {
  Voice voice{.name = "en-gb+m3", .wordsPerMinute = 140, .pitch = 38};
  std::optional<Mono> words =
      Speak(std::string("Page ") + kNumberWords[static_cast<size_t>(page - 1)], voice);
  if (!words) return std::nullopt;
  Mono spoken = ReverbMono(*words, {.room = 0.3, .damping = 0.5, .wet = 0.12, .tail = 0.3});
  return FinishOneShot(MakeMono(spoken), role::kSpeech, 0.005, 0.1);
}

}  // namespace

void AddPageVoices(Catalogue& catalogue) {
  for (int page = 1; page <= 8; ++page) {
    catalogue.push_back(
        {"assets/pages/page" + std::to_string(page) + ".wav", [page] { return PageVoice(page); }});
  }
}

}  // namespace assetgen
