// host/sdl/speechd_speech.h - the real program's speech: texts go to the desktop's
// speech server through its client library, spoken with the player's own voice
// settings, at the priority that interrupts other programs' speech.
//
// The connection opens once, lazily, on a worker thread started by the first Say; the
// library starts the server when none runs (autospawn). Opening can take the better
// part of a second (a server starting, or refusing to), so the caller never waits for
// it: Say only hands the text over. When the server cannot be reached, or goes away,
// the texts are dropped silently from then on, and no new connection is tried until
// Close has put the speech back as it started.
// The server's address comes from SPEECHD_ADDRESS, or the library's default socket.
// Threads: Say and Close from one thread at a time (the main thread); the worker owns
// the connection.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/speech.h"

class SpeechdSpeech final : public Speech {
 public:
  SpeechdSpeech() = default;
  ~SpeechdSpeech() override;  // closes
  SpeechdSpeech(const SpeechdSpeech&) = delete;
  SpeechdSpeech& operator=(const SpeechdSpeech&) = delete;

  void Say(const std::string& text) override;
  // Waits for the worker: a text already handed over is delivered first (a pending
  // start-up error is still heard after the program ends), which can take as long as
  // one connection attempt.
  void Close() override;

 private:
  void Run();
  bool NextText(std::string& text);  // false: closing with nothing left to say
  void GiveUp();

  std::thread worker_;               // the caller's own: started by the first Say, joined by Close
  std::mutex lock_;                  // guards the fields below it, shared with the worker
  std::condition_variable wake_;     // a text or the close arrived
  std::optional<std::string> next_;  // the newest text not yet delivered
  bool closing_ = false;             // Close is waiting for the worker
  bool unreachable_ = false;         // the worker could not reach the server, or lost it
};
