// host/headless/trace.h - the trace of a headless run: lines of text, kept in memory
// and, when a file is given, written to it as they come.
// The host writes one JSON object per line, e.g.
//   {"ms":0,"event":"window_open","handle":1,"title":"...","width":1920,"height":1080}
//   {"ms":250,"event":"box","caption":"ERROR","text":"..."}
// and so may anyone else who shares the run's trace (the simulator does).
// Threads: any; one lock keeps lines whole and in order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class Trace {
 public:
  Trace() = default;
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;
  ~Trace();

  // Also writes every line from now on to `path` (created or truncated). False, with
  // nothing changed, when the file cannot be opened. The file is buffered and flushed
  // on Close, on destruction, and by exit() (a run may end the process that way).
  bool OpenFile(const std::string& path);
  // Closes the file; false when any write to it, or the close, failed (see FileError).
  bool Close();
  // Whether a write to the file has failed: the file does not hold every line.
  bool Failed() const;
  // What went wrong with the file first (the system's words); empty while nothing did.
  std::string FileError() const;

  // Adds one line; `line` must not contain a line break.
  void Write(std::string_view line);

  // Whether lines are kept in memory (on by default; a long run writing only to a file
  // may turn it off).
  void KeepInMemory(bool keep);
  std::vector<std::string> Lines() const;

 private:
  mutable std::mutex lock_;  // guards everything below
  std::vector<std::string> lines_;
  bool keep_ = true;
  std::FILE* file_ = nullptr;
  std::string fileError_;
};

// `text` as a JSON string literal, quotes included: ", \ and control characters
// escaped; bytes from 0x80 up are passed through (the text is UTF-8).
std::string JsonString(std::string_view text);
