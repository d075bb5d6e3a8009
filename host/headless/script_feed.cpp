#include "host/headless/script_feed.h"

#include <algorithm>
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
  windowAt_ = 0;
}

void ScriptFeed::Append(const std::vector<ScriptEvent>& events) {
  for (const ScriptEvent& event : events) {
    size_t at = InsertByTime(events_, next_, event);
    // No window event lies in [next_, windowAt_): keep that true across the insertion.
    if (at > windowAt_) continue;
    windowAt_ = event.IsWindowEvent() ? at : windowAt_ + 1;
  }
}

void ScriptFeed::CatchUp() {
  uint64_t nowMs = scheduler_.NowMs();
  // Applying may not add events, so the bound is fixed: the loop ends.
  while (next_ < events_.size() && events_[next_].timeMs <= nowMs) Apply(events_[next_++]);
}

std::optional<uint64_t> ScriptFeed::NextWindowEventMs() const {
  // The search goes on from where the last one stopped, so a whole run scans each event
  // once: the window system asks at every wait.
  windowAt_ = std::max(windowAt_, next_);
  while (windowAt_ < events_.size() && !events_[windowAt_].IsWindowEvent()) ++windowAt_;
  if (windowAt_ == events_.size()) return std::nullopt;
  return events_[windowAt_].timeMs;
}

void ScriptFeed::Apply(const ScriptEvent& event) {
  if (event.IsWindowEvent()) {
    if (windows_ != nullptr) windows_->Apply(event);
    if (input_ != nullptr && event.kind == ScriptEvent::Kind::kFocusLost) input_->OnFocusLost();
    return;
  }
  if (input_ != nullptr) input_->Apply(event);
}
