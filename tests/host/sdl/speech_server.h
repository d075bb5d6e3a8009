// A speech server of one test's own: its configuration folder, socket, pid file and
// logs in a private temporary folder, its sound going to ALSA's null device (no sound
// card needed), its protocol log on so that the test reads what each client sent.
//
// While the object lives, SPEECHD_ADDRESS points the client library at its socket and
// XDG_CONFIG_HOME at a configuration that refuses autospawn, so that a client never
// starts (or reaches) any other server: with the server stopped, or never started,
// nothing can be reached. Both variables are put back afterwards.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "scoped_environment.h"

class PrivateSpeechServer {
 public:
  PrivateSpeechServer();   // writes the configuration; the server is not started
  ~PrivateSpeechServer();  // stops it and removes the folder
  PrivateSpeechServer(const PrivateSpeechServer&) = delete;
  PrivateSpeechServer& operator=(const PrivateSpeechServer&) = delete;

  // Starts the server in the foreground of a child process and waits until it answers.
  // False when it did not come up; error() says why.
  bool Start();
  void Stop();
  const std::string& error() const { return error_; }

  // Every protocol line clients sent so far, in order, without line ends
  // ("SET SELF PRIORITY IMPORTANT", "SPEAK", "75, 12.5", ".").
  std::vector<std::string> Received() const;
  // Waits until a client has sent the line `line`, up to `limit`.
  bool WaitFor(const std::string& line, std::chrono::milliseconds limit) const;

 private:
  ScopedEnvironment restore_{"SPEECHD_ADDRESS", "XDG_CONFIG_HOME", "PULSE_RUNTIME_PATH"};
  std::string folder_;
  pid_t server_ = -1;
  std::string error_;
};
