// platform/latest_text_writer.h - keeps a file up to date with the newest text given it,
// on a thread of its own, so that whoever gives it text never waits for the disk. Texts
// given faster than the disk takes them are skipped but for the newest: only the last
// state matters. A write that fails is told once on standard error (until one succeeds
// again); the caller goes on either way.
// Threads: Post and Finish on one owner thread; the writer thread is its own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class LatestTextWriter {
 public:
  // `path` (UTF-8) is replaced whole each time (platform/config_file.h); `what` names it
  // in a failure's line, e.g. "settings".
  LatestTextWriter(std::string path, std::string what);
  // Lets the thread write what is pending and joins it (tests; the game never ends it).
  ~LatestTextWriter();
  LatestTextWriter(const LatestTextWriter&) = delete;
  LatestTextWriter& operator=(const LatestTextWriter&) = delete;

  // The file's next content. Takes a lock the writer holds only to swap texts.
  void Post(std::string text);

  // Waits up to `waitMs` for every text posted so far to be written (or to have failed).
  // True when nothing is left to do.
  bool Finish(int32_t waitMs);

 private:
  void Run();

  const std::string path_, what_;
  std::mutex lock_;  // guards the fields below
  std::condition_variable changed_;
  std::string pending_;
  bool hasPending_ = false;
  bool writing_ = false;
  bool ending_ = false;
  bool told_ = false;  // a failure was told and no write has succeeded since
  std::thread thread_;
};
