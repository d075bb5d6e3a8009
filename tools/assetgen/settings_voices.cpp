// The short spoken answers to the player's own settings: which way the placed sounds are
// heard ("Headphones", "Speakers"), and why headphones cannot be had yet or at all. Said by
// the same clear voice as the page announcements, so that the player knows the game, not
// the story, is speaking.
#include <array>
#include <string>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/speech.h"

namespace assetgen {
namespace {

struct SpokenAnswer {
  const char* file;  // under assets/settings/
  const char* words;
};

constexpr std::array<SpokenAnswer, 4> kAnswers = {{
    {"headphones", "Headphones"},
    {"speakers", "Speakers"},
    {"headphones_not_ready", "Headphones not ready"},
    {"headphones_unavailable", "Headphones unavailable"},
}};

std::optional<Sound> SpokenAnswerSound(const char* words) {
  Voice voice{.name = "en-gb+m3", .wordsPerMinute = 150, .pitch = 38};
  std::optional<Mono> spoken = Speak(words, voice);
  if (!spoken) return std::nullopt;
  Mono roomed = ReverbMono(*spoken, {.room = 0.3, .damping = 0.5, .wet = 0.1, .tail = 0.25});
  return FinishOneShot(MakeMono(roomed), role::kSpeech, 0.005, 0.1);
}

}  // namespace

void AddSettingsVoices(Catalogue& catalogue) {
  for (const SpokenAnswer& answer : kAnswers) {
    catalogue.push_back({std::string("assets/settings/") + answer.file + ".wav",
                         [words = answer.words] { return SpokenAnswerSound(words); }});
  }
}

}  // namespace assetgen
