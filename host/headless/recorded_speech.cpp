#include "host/headless/recorded_speech.h"

void RecordedSpeech::Say(const std::string& text) {
  spoken_.push_back(text);
  trace_.Write("{\"ms\":" + std::to_string(scheduler_.NowMs()) +
               ",\"event\":\"speech\",\"text\":" + JsonString(text) + "}");
}
