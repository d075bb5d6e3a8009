#include "host/sdl/speechd_speech.h"

#include <libspeechd.h>
#include <signal.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

struct SpeechdChannel {
  std::mutex lock;                   // guards the fields below it
  std::condition_variable wake;      // a text or the close arrived: the worker looks
  std::condition_variable finished;  // the worker is done: Close looks
  std::optional<std::string> next;   // the newest text not yet delivered
  bool closing = false;              // Close is waiting for the worker
  bool abandoned = false;            // Close stopped waiting: nothing more is said
  bool unreachable = false;          // the worker could not reach the server, or lost it
  bool done = false;                 // the worker let go of the server and is ending
  std::thread worker;                // the speech object's own: joined, or left by Close
};

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
  BrokenPipeHeld held;  // the greeting is a write too: the server may close at once
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

// The next text to deliver; false once closing with nothing left to say, or abandoned.
bool NextText(SpeechdChannel& channel, std::string& text) {
  std::unique_lock lock(channel.lock);
  channel.wake.wait(lock, [&] { return channel.next.has_value() || channel.closing; });
  if (channel.abandoned || !channel.next) return false;
  text = std::move(*channel.next);
  channel.next.reset();
  return true;
}

void GiveUp(SpeechdChannel& channel) {
  std::scoped_lock lock(channel.lock);
  channel.unreachable = true;
  channel.next.reset();
}

// Without a server the worker stays until Close, only waiting: a thread that ended and
// was not joined yet shows up as a leak to the thread checker of every process SDL forks
// to draw a box in. The worker keeps its own share of the channel, so a worker left by
// Close still finds it whole whenever the library lets it go.
void Run(std::shared_ptr<SpeechdChannel> channel) {
  SPDConnection* connection = Open();
  if (connection == nullptr) GiveUp(*channel);
  std::string text;
  while (NextText(*channel, text)) {
    if (connection == nullptr || !Deliver(connection, text)) GiveUp(*channel);
  }
  if (connection != nullptr) spd_close(connection);
  {
    std::scoped_lock lock(channel->lock);
    channel->done = true;
  }
  channel->finished.notify_all();
}

}  // namespace

SpeechdSpeech::~SpeechdSpeech() {
  Close();
}

void SpeechdSpeech::Say(const std::string& text) {
  if (channel_ == nullptr) {
    auto channel = std::make_shared<SpeechdChannel>();
    try {
      channel->worker = std::thread(Run, channel);
    } catch (const std::system_error&) {
      channel->unreachable = true;  // no thread, no speech: the game goes on silently
    }
    channel_ = std::move(channel);
  }
  {
    std::scoped_lock lock(channel_->lock);
    if (channel_->unreachable) return;
    channel_->next = text;
  }
  channel_->wake.notify_one();
}

void SpeechdSpeech::Close() {
  if (channel_ == nullptr) return;
  std::shared_ptr<SpeechdChannel> channel = std::move(channel_);
  bool done = false;
  {
    std::unique_lock lock(channel->lock);
    channel->closing = true;
    channel->wake.notify_one();
    done = channel->finished.wait_for(lock, kCloseGrace, [&] { return channel->done; });
    if (!done) {
      channel->abandoned = true;
      channel->next.reset();
    }
  }
  if (!channel->worker.joinable()) return;
  if (done) {
    channel->worker.join();
  } else {
    // Left on purpose: the worker is inside the speech library, waiting for a server
    // that does not answer, and nothing can interrupt that wait. It holds only its own
    // share of the channel and ends by itself if the library ever returns; the program
    // does not wait for it (the process exit ends it).
    channel->worker.detach();
  }
}
