#include "host/sdl/speechd_speech.h"

#include <libspeechd.h>
#include <signal.h>

#include <cstdlib>

namespace {

constexpr char kClientName[] = "quelmire";

// A write to a server that went away raises SIGPIPE, whose default action ends the
// process. It is held back on this thread while talking to the server, and taken if it
// came; the library then sees the failed write and reports it.
class BrokenPipeHeld {
 public:
  BrokenPipeHeld() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
  }
  ~BrokenPipeHeld() {
    timespec now{};
    while (sigtimedwait(&pipe_, nullptr, &now) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &before_, nullptr);
  }
  BrokenPipeHeld(const BrokenPipeHeld&) = delete;
  BrokenPipeHeld& operator=(const BrokenPipeHeld&) = delete;

 private:
  sigset_t pipe_;
  sigset_t before_;
};

SPDConnection* Open() {
  char* error = nullptr;
  SPDConnection* connection =
      spd_open2(kClientName, "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
  std::free(error);  // the game plays on silently; nobody is there to read why
  return connection;
}

// Important messages from one client queue behind each other rather than interrupt:
// the client's own earlier text is cancelled first, so that the newest one is heard now.
bool Deliver(SPDConnection* connection, const std::string& text) {
  BrokenPipeHeld held;
  return spd_cancel(connection) == 0 && spd_say(connection, SPD_IMPORTANT, text.c_str()) >= 0;
}

}  // namespace

SpeechdSpeech::~SpeechdSpeech() {
  Close();
}

void SpeechdSpeech::Say(const std::string& text) {
  std::scoped_lock lock(lock_);
  if (closing_ || unreachable_) return;
  next_ = text;
  if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
  wake_.notify_one();
}

void SpeechdSpeech::Close() {
  {
    std::scoped_lock lock(lock_);
    closing_ = true;
  }
  wake_.notify_one();
  if (worker_.joinable()) worker_.join();
  std::scoped_lock lock(lock_);
  closing_ = false;
  unreachable_ = false;
}

// Without a server the worker stays until Close, only waiting: a thread that ended and
// was not joined yet shows up as a leak to the thread checker of every process SDL forks
// to draw a box in.
void SpeechdSpeech::Run() {
  SPDConnection* connection = Open();
  if (connection == nullptr) GiveUp();
  std::string text;
  while (NextText(text)) {
    if (connection == nullptr || !Deliver(connection, text)) GiveUp();
  }
  if (connection != nullptr) spd_close(connection);
}

bool SpeechdSpeech::NextText(std::string& text) {
  std::unique_lock lock(lock_);
  wake_.wait(lock, [this] { return next_.has_value() || closing_; });
  if (!next_) return false;
  text = std::move(*next_);
  next_.reset();
  return true;
}

void SpeechdSpeech::GiveUp() {
  std::scoped_lock lock(lock_);
  unreachable_ = true;
  next_.reset();
}
