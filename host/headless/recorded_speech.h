// host/headless/recorded_speech.h - the headless host's speech: what the game says goes
// into the trace (a "speech" line at the virtual time it is said) and is kept in order,
// for the live mode to hand to its client.
// Threads: the game's main thread (Say, Close); Spoken() on the thread holding the baton.
#pragma once

#include <string>
#include <vector>

#include "host/headless/scheduler.h"
#include "host/headless/trace.h"
#include "platform/speech.h"

class RecordedSpeech final : public Speech {
 public:
  RecordedSpeech(Scheduler& scheduler, Trace& trace) : scheduler_(scheduler), trace_(trace) {}

  void Say(const std::string& text) override;
  void Close() override {}

  // Everything said so far, in order.
  const std::vector<std::string>& Spoken() const { return spoken_; }

 private:
  Scheduler& scheduler_;
  Trace& trace_;
  std::vector<std::string> spoken_;
};
