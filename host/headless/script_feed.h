// host/headless/script_feed.h - plays an input script against virtual time: every
// event whose time has come is handed, once and in script order, to the scripted
// input (keys, mouse) or the recorded window system (focus, close requests).
//
// Events are applied lazily: each input or window operation first calls CatchUp, which
// applies everything due at the current virtual time. Since those operations are the
// only places the game can observe input, and they run in a fixed order on the main
// thread, this is the same as applying each event at its own time.
// Threads: the main thread (the one that pumps events and reads input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "host/headless/input_script.h"

class Scheduler;
class ScriptedInput;
class RecordedWindowSystem;

class ScriptFeed {
 public:
  explicit ScriptFeed(const Scheduler& scheduler) : scheduler_(scheduler) {}

  // Where events go; both must outlive the feed's use.
  void Attach(ScriptedInput* input, RecordedWindowSystem* windows);

  // Replaces the events still to come (times in virtual ms since install; sorted).
  void Load(std::vector<ScriptEvent> events);

  // Adds events still to come (a live run's input): each goes after every event not
  // yet applied whose time is the same or earlier, as a script holding it from the
  // start would have it.
  void Append(const std::vector<ScriptEvent>& events);

  // Applies every event due at the current virtual time that has not been applied.
  void CatchUp();

  // Virtual time of the next window event (focus, close) still to come; none when
  // there is none.
  std::optional<uint64_t> NextWindowEventMs() const;

  // Events not yet applied.
  size_t Pending() const { return events_.size() - next_; }

 private:
  void Apply(const ScriptEvent& event);

  const Scheduler& scheduler_;
  ScriptedInput* input_ = nullptr;
  RecordedWindowSystem* windows_ = nullptr;
  std::vector<ScriptEvent> events_;
  size_t next_ = 0;  // index of the first event not yet applied
  // Where the last search for a window event stopped: none lies in [next_, windowAt_).
  mutable size_t windowAt_ = 0;
};
