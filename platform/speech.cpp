#include "platform/speech.h"

#include "runtime/seam.h"

namespace {

class Silence final : public Speech {
 public:
  void Say(const std::string&) override {}
  void Close() override {}
};

Seam<Speech> installedSpeech;

}  // namespace

Speech& NullSpeech() {
  static Silence speech;
  return speech;
}

Speech& CurrentSpeech() {
  return installedSpeech.Or(NullSpeech());
}

void InstallSpeech(Speech* speech) {
  installedSpeech.Install(speech);
}

void SpeechEnd() {
  CurrentSpeech().Close();
}
