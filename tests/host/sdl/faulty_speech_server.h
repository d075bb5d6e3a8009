// A speech server that misbehaves on purpose: a real Unix socket the client library
// connects to, served by a thread of the test's own that answers wrongly or not at all.
//
// While the object lives, SPEECHD_ADDRESS points at its socket and XDG_CONFIG_HOME at a
// configuration that refuses autospawn, so that no client reaches any other server.
// Both are put back afterwards. Closing the socket at the end lets a client still
// waiting on it go.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "scoped_environment.h"

enum class SpeechServerFault {
  kNeverAnswers,         // accepts, reads, says nothing
  kClosesAtOnce,         // accepts and hangs up before the greeting
  kStallsAfterGreeting,  // answers the client's name, then nothing more
  kHangsUpMidSentence,   // answers everything until a text comes, then hangs up
};

class FaultySpeechServer {
 public:
  explicit FaultySpeechServer(SpeechServerFault fault);  // listening once it returns
  ~FaultySpeechServer();
  FaultySpeechServer(const FaultySpeechServer&) = delete;
  FaultySpeechServer& operator=(const FaultySpeechServer&) = delete;

  const std::string& error() const { return error_; }  // empty when listening
  int connections() const { return connections_.load(); }

 private:
  void Serve(int listener);
  // Answers the complete lines in `pending`; false to hang up.
  bool Answer(int connection, std::string& pending, bool& greeted);

  ScopedEnvironment restore_{"SPEECHD_ADDRESS", "XDG_CONFIG_HOME"};
  SpeechServerFault fault_;
  std::string folder_;
  std::string error_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread server_;
};
