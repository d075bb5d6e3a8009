#include "host/headless/script_feed.h"

#include <utility>

#include "host/headless/recorded_window.h"
#include "host/headless/scheduler.h"
#include "host/headless/scripted_input.h"

void ScriptFeed::Attach(ScriptedInput* input, RecordedWindowSystem* windows) {
  input_ = input;
  windows_ = windows;
}

void ScriptFeed::Load(std::vector<ScriptEvent> events) {
  events_ = std::move(events);
  next_ = 0;
}

void ScriptFeed::Append(const std::vector<ScriptEvent>& events) {
  for (const ScriptEvent& event : events) InsertByTime(events_, next_, event);
}

void ScriptFeed::CatchUp() {
  uint64_t nowMs = scheduler_.NowMs();
  // Applying may not add events, so the bound is fixed: the loop ends.
  while (next_ < events_.size() && events_[next_].timeMs <= nowMs) Apply(events_[next_++]);
}

std::optional<uint64_t> ScriptFeed::NextWindowEventMs() const {
  for (size_t i = next_; i < events_.size(); ++i) {
    if (events_[i].IsWindowEvent()) return events_[i].timeMs;
  }
  return std::nullopt;
}

void ScriptFeed::Apply(const ScriptEvent& event) {
  if (event.IsWindowEvent()) {
    if (windows_ != nullptr) windows_->Apply(event);
    if (input_ != nullptr && event.kind == ScriptEvent::Kind::kFocusLost) input_->OnFocusLost();
    return;
  }
  if (input_ != nullptr) input_->Apply(event);
}
