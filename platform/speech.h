// platform/speech.h - spoken text for players who cannot read the screen, behind a seam
// so that the real host can hand it to the desktop's speech server and every other host
// (tests, headless runs) speaks nothing.
//
// The speech in force never makes its caller wait on a speech server and never reports
// an error: when no server can be reached the game goes on silently.
// Threads: Say and Close on the main thread. Installing happens once at start-up, or in
// a test, while nothing speaks.
#pragma once

#include <string>

#include "platform/platform.h"

class Speech {
 public:
  virtual ~Speech() = default;

  // Speaks `text` (UTF-8) in place of whatever this program is still saying: a player
  // who asks twice hears the newest answer. Returns at once.
  virtual void Say(const std::string& text) = 0;

  // Lets go of the speech server after the text already handed over has reached it.
  // A later Say starts over, as at the start.
  virtual void Close() = 0;
};

// The speech in force. Never null: until a host installs one, the null speech, which
// speaks nothing.
Speech& CurrentSpeech();

// Installs `speech` (nullptr restores the null speech).
void InstallSpeech(Speech* speech);
