#include "host/headless/recorded_window.h"

#include <algorithm>

#include "host/headless/input_script.h"
#include "host/headless/scheduler.h"
#include "host/headless/script_feed.h"
#include "host/headless/trace.h"

namespace {

std::string Field(const char* name, int64_t value) {
  return std::string(",\"") + name + "\":" + std::to_string(value);
}

}  // namespace

std::string RecordedWindowSystem::TraceStart(const char* event) const {
  return "{\"ms\":" + std::to_string(scheduler_.NowMs()) + ",\"event\":\"" + event + "\"";
}

bool RecordedWindowSystem::Start() {
  ++starts_;
  return true;
}

void RecordedWindowSystem::Stop() {
  if (starts_ > 0) --starts_;
}

int32_t RecordedWindowSystem::DisplayModeCount() {
  return starts_ > 0 ? displayModes_ : 0;
}

std::vector<DesktopRecord> RecordedWindowSystem::Desktops() {
  if (starts_ == 0) return {};
  return {desktop_};
}

RecordedWindow* RecordedWindowSystem::Find(uint32_t handle) {
  if (handle == 0 || handle > windows_.size()) return nullptr;
  RecordedWindow& window = windows_[handle - 1];
  return window.open ? &window : nullptr;
}

uint32_t RecordedWindowSystem::NewestVisible() const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (it->open && it->request.visible) return it->handle;
  }
  return 0;
}

uint32_t RecordedWindowSystem::OpenWindow(const WindowRequest& request) {
  feed_.CatchUp();
  if (request.width < 1 || request.height < 1) return 0;
  RecordedWindow window;
  window.handle = static_cast<uint32_t>(windows_.size() + 1);
  window.request = request;
  windows_.push_back(window);
  trace_.Write(TraceStart("window_open") + Field("handle", window.handle) + ",\"title\":" +
               JsonString(request.title) + Field("x", request.x) + Field("y", request.y) +
               Field("width", request.width) + Field("height", request.height) +
               ",\"visible\":" + (request.visible ? "true" : "false") + "}");
  if (request.visible && request.activate) {
    focused_ = window.handle;
    if (appFocused_) Queue(NativeEventKind::kActivated, window.handle);
  }
  return window.handle;
}

void RecordedWindowSystem::CloseWindow(uint32_t handle) {
  RecordedWindow* window = Find(handle);
  if (window == nullptr) return;
  window->open = false;
  std::erase_if(pending_, [handle](const NativeEvent& e) { return e.window == handle; });
  if (focused_ == handle) focused_ = 0;
  trace_.Write(TraceStart("window_close") + Field("handle", handle) + "}");
}

bool RecordedWindowSystem::InnerSize(uint32_t handle, int32_t& width, int32_t& height) {
  RecordedWindow* window = Find(handle);
  if (window == nullptr) return false;
  width = window->request.width;
  height = window->request.height;
  return true;
}

void RecordedWindowSystem::Paint(uint32_t handle, const PaintRequest& request) {
  RecordedWindow* window = Find(handle);
  if (window == nullptr) return;
  window->paint = request;
  ++window->paintCount;
  std::string line = TraceStart("window_paint") + Field("handle", handle) +
                     Field("background", request.background);
  if (request.hasScreen) {
    line += Field("screen_x", request.screen.x) + Field("screen_y", request.screen.y) +
            Field("screen_width", request.screen.width) +
            Field("screen_height", request.screen.height);
  }
  trace_.Write(line + "}");
}

bool RecordedWindowSystem::NextEvent(int32_t timeoutMs, NativeEvent& event) {
  auto take = [&] {
    if (pending_.empty()) return false;
    event = pending_.front();
    pending_.pop_front();
    return true;
  };
  feed_.CatchUp();
  if (take()) return true;
  if (timeoutMs == 0) return false;
  uint64_t deadline =
      timeoutMs < 0 ? Scheduler::kNever : scheduler_.NowMs() + static_cast<uint64_t>(timeoutMs);
  // Each pass ends at the deadline or at a scripted window event, which is then
  // applied; the script is finite, so the loop is too.
  for (;;) {
    uint64_t wake = std::min(deadline, feed_.NextWindowEventMs().value_or(Scheduler::kNever));
    if (wake == Scheduler::kNever) return false;  // nothing can ever arrive
    scheduler_.SleepUntil(wake);
    feed_.CatchUp();
    if (take()) return true;
    if (scheduler_.NowMs() >= deadline) return false;
  }
}

bool RecordedWindowSystem::ShowMessageBox(uint32_t owner, const std::string& caption,
                                          const std::string& text) {
  boxes_.push_back({owner, caption, text});
  trace_.Write(TraceStart("box") + ",\"caption\":" + JsonString(caption) +
               ",\"text\":" + JsonString(text) + "}");
  scheduler_.Sleep(0);
  return true;
}

void RecordedWindowSystem::Queue(NativeEventKind kind, uint32_t window) {
  NativeEvent event;
  event.kind = kind;
  event.window = window;
  pending_.push_back(event);
}

void RecordedWindowSystem::Apply(const ScriptEvent& event) {
  switch (event.kind) {
    case ScriptEvent::Kind::kFocusLost:
      if (!appFocused_) return;
      appFocused_ = false;
      if (focused_ != 0) Queue(NativeEventKind::kDeactivated, focused_);
      return;
    case ScriptEvent::Kind::kFocusBack:
      if (appFocused_) return;
      appFocused_ = true;
      if (focused_ == 0) focused_ = NewestVisible();
      if (focused_ != 0) Queue(NativeEventKind::kActivated, focused_);
      return;
    case ScriptEvent::Kind::kCloseRequest: {
      uint32_t target = focused_ != 0 ? focused_ : NewestVisible();
      if (target != 0) Queue(NativeEventKind::kCloseRequest, target);
      return;
    }
    default:
      return;
  }
}
