// host/sdl/speechd_speech.h - the real program's speech: texts go to the desktop's
// speech server through its client library, spoken with the player's own voice
// settings, at the priority that interrupts other programs' speech.
//
// The connection opens once, lazily, on a worker thread started by the first Say; the
// library starts the server when none runs (autospawn). Opening can take the better
// part of a second (a server starting, or refusing to), and a server that accepts a
// connection and never answers keeps the library waiting for good, so nobody but the
// worker ever waits on the server: Say only hands the text over, and Close waits a
// short, fixed grace. When the server cannot be reached, or goes away, the texts are
// dropped silently from then on, and no new connection is tried until Close has put
// the speech back as it started.
// The server's address comes from SPEECHD_ADDRESS, or the library's default socket.
// Threads: Say and Close from one thread at a time (the main thread); the worker owns
// the connection.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/speech.h"

struct SpeechdChannel;  // the texts between a SpeechdSpeech and one worker; shared by both

class SpeechdSpeech final : public Speech {
 public:
  // How long Close waits for the worker. A running server takes a text within a few
  // milliseconds and an autospawned one usually comes up within half a second, so a
  // start-up error shown just before the end is still heard; and the program still
  // ends within a second of the player's Escape when the server never answers.
  static constexpr std::chrono::milliseconds kCloseGrace{600};

  SpeechdSpeech() = default;
  ~SpeechdSpeech() override;  // closes
  SpeechdSpeech(const SpeechdSpeech&) = delete;
  SpeechdSpeech& operator=(const SpeechdSpeech&) = delete;

  void Say(const std::string& text) override;
  // Gives the worker up to kCloseGrace to deliver a text already handed over (a pending
  // start-up error is still heard after the program ends) and to let go of the server.
  // A worker still waiting on the server then is left behind, never to speak again.
  void Close() override;

 private:
  std::shared_ptr<SpeechdChannel> channel_;  // the current worker's; null until the first Say
};
