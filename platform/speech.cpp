#include "platform/speech.h"

#include "runtime/seam.h"

namespace {

// What a host installs; until then, the silence below.
class Silence;
Seam<Speech, Silence> speechSeam;

class Silence final : public Speech {
 public:
  void Say(const std::string&) override {}
  void Close() override {}
};

}  // namespace

Speech& CurrentSpeech() {
  return speechSeam.Current();
}
void InstallSpeech(Speech* speech) {
  speechSeam.Install(speech);
}

void SpeakText(const std::string& text) {
  CurrentSpeech().Say(text);
}

void SpeechEnd() {
  CurrentSpeech().Close();
}
