#include "platform/latest_text_writer.h"

#include <chrono>
#include <cstdio>

#include "platform/config_file.h"
#include "runtime/shown_text.h"

LatestTextWriter::LatestTextWriter(std::string path, std::string what)
    : path_(std::move(path)), what_(std::move(what)), thread_([this] { Run(); }) {}

LatestTextWriter::~LatestTextWriter() {
  {
    std::scoped_lock lock(lock_);
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void LatestTextWriter::Post(std::string text) {
  {
    std::scoped_lock lock(lock_);
    pending_ = std::move(text);
    hasPending_ = true;
  }
  changed_.notify_all();
}

bool LatestTextWriter::Finish(int32_t waitMs) {
  std::unique_lock lock(lock_);
  return changed_.wait_for(lock, std::chrono::milliseconds(waitMs),
                           [this] { return !hasPending_ && !writing_; });
}

// Waits for work without a bound: this thread is the only one that waits here, and the
// process ends without it (Finish bounds what the owner waits).
void LatestTextWriter::Run() {
  std::unique_lock lock(lock_);
  for (;;) {
    changed_.wait(lock, [this] { return hasPending_ || ending_; });
    if (!hasPending_) return;
    std::string text = std::move(pending_);
    hasPending_ = false;
    writing_ = true;
    lock.unlock();
    std::string why;
    const bool written = ReplaceConfigFile(path_, text, why);
    lock.lock();
    writing_ = false;
    if (!written && !told_) {
      std::fprintf(stderr, "quelmire: the %s could not be saved to %s (%s); play goes on.\n",
                   what_.c_str(), QuotedExcerpt(path_).c_str(), ShownText(why).c_str());
      std::fflush(stderr);
    }
    told_ = !written;
    changed_.notify_all();
  }
}
