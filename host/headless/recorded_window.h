// host/headless/recorded_window.h - the window system of a headless run: nothing is
// shown; every window is recorded (title, place, size, how it was last painted), focus
// changes and close requests come from the input script, and message boxes go to the
// run's trace.
//
//  - Start always succeeds; while started there is one display, desktop 0, of the size
//    the host was given (1920 x 1080 by default) and one display mode.
//  - Native handles are 1, 2, 3 ... in the order windows are opened.
//  - A window opened visible and activated takes the focus and, while the script has
//    not taken the focus away, queues kActivated. "focus lost" queues kDeactivated for
//    the focused window, "focus back" gives the focus back (to the newest visible window
//    if the focused one has closed) and queues kActivated; "close" queues kCloseRequest
//    for the focused (else the newest visible) window. Nothing else is ever queued.
//  - NextEvent's wait is a scheduler wait that ends early when a scripted window event
//    comes due. With timeout -1 and no window event left in the script it returns false
//    at once: nothing could ever arrive, and a run must not hang.
//  - ShowMessageBox writes what the real host would speak first, unless the box is not
//    spoken, {"ms":..,"event":"speech","text":..} (platform/spoken_text.h), then
//    {"ms":..,"event":"box","caption":..,"text":..} to the trace,
//    lets the other threads ready at this virtual time run (the box is modal and is
//    dismissed at once), and returns true.
// Threads: the main thread only (the trace may be shared with other threads).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/window_system.h"

class Scheduler;
class ScriptFeed;
class Trace;
struct ScriptEvent;

struct RecordedWindow {
  uint32_t handle = 0;
  WindowRequest request;  // as opened
  PaintRequest paint;     // the last paint request
  int32_t paintCount = 0;
  bool open = true;
};

struct RecordedBox {
  uint32_t owner = 0;
  std::string caption;
  std::string text;
};

class RecordedWindowSystem final : public WindowSystem {
 public:
  RecordedWindowSystem(Scheduler& scheduler, ScriptFeed& feed, Trace& trace,
                       const DesktopRecord& desktop, int32_t displayModes = 1)
      : scheduler_(scheduler),
        feed_(feed),
        trace_(trace),
        desktop_(desktop),
        displayModes_(displayModes) {}

  bool Start() override;
  void Stop() override;
  int32_t DisplayModeCount() override;
  std::vector<DesktopRecord> Desktops() override;
  uint32_t OpenWindow(const WindowRequest& request) override;
  void CloseWindow(uint32_t window) override;
  bool InnerSize(uint32_t window, int32_t& width, int32_t& height) override;
  void Paint(uint32_t window, const PaintRequest& request) override;
  bool NextEvent(int32_t timeoutMs, NativeEvent& event) override;
  bool ShowMessageBox(uint32_t owner, const std::string& caption, const std::string& text) override;

  // Called by the script feed with focus changes and close requests.
  void Apply(const ScriptEvent& event);

  // A visible window holds the focus and the script has not taken it away.
  bool HasFocus() const { return appFocused_ && focused_ != 0; }

  // Every window ever opened, in order (closed ones stay, marked closed).
  const std::vector<RecordedWindow>& Windows() const { return windows_; }
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }

 private:
  RecordedWindow* Find(uint32_t handle);
  uint32_t NewestVisible() const;
  void Queue(NativeEventKind kind, uint32_t window);
  std::string TraceStart(const char* event) const;

  Scheduler& scheduler_;
  ScriptFeed& feed_;
  Trace& trace_;
  DesktopRecord desktop_;
  int32_t displayModes_;  // what DisplayModeCount answers once started
  int32_t starts_ = 0;    // successful Start calls not yet stopped
  std::vector<RecordedWindow> windows_;
  std::vector<RecordedBox> boxes_;
  std::deque<NativeEvent> pending_;  // oldest first
  bool appFocused_ = true;           // the script has not taken the focus away
  uint32_t focused_ = 0;             // the window that has (or gets back) the focus; 0 none
};
