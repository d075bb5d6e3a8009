// platform/window.h - the game's windows, their event pump and error boxes.
// Owns: the window table (numbered objects, grow step 16), the runtime event queue and
// the colour of each window. Works through the installed WindowSystem
// (platform/window_system.h).
// Threads: the main thread only (the thread that opens the windows).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "platform/single_slot.h"
#include "platform/window_system.h"
#include "runtime/object_table.h"

// Runtime event codes handed out by WindowPollEvent.
inline constexpr int32_t kEventActivated = 13104;
inline constexpr int32_t kEventMinimized = 13107;
inline constexpr int32_t kEventMaximized = 13108;
inline constexpr int32_t kEventRestored = 13109;
inline constexpr int32_t kEventRightButtonUp = 13111;
inline constexpr int32_t kEventLeftButtonUp = 13112;
inline constexpr int32_t kEventLeftDoubleClick = 13113;
inline constexpr int32_t kEventDeactivated = 13114;
inline constexpr int32_t kEventErased = 13115;
inline constexpr int32_t kEventCloseRequest = 13116;
inline constexpr int32_t kEventMoved = 13117;
inline constexpr int32_t kEventResized = 13118;

// WindowOpen flag bits understood here; other bits are window styles and change
// nothing (every window has a title bar and a close box).
inline constexpr int32_t kWindowCentre = 0x00000001;          // centre on the primary display
inline constexpr int32_t kWindowCentreOnParent = 0x00000002;  // no parent windows: as kWindowCentre
inline constexpr int32_t kWindowInvisible = 0x10000000;       // create hidden
inline constexpr int32_t kWindowNoActivate = 0x02000000;      // show without taking the focus
// The style bits of a window with a title bar and a close box, as callers name them.
inline constexpr int32_t kWindowCaptionStyle = 0x00C80000;

inline constexpr int32_t kColorNone = -1;  // colours are 0x00BBGGRR; 0 is black

struct WindowObject {
  uint32_t handle = 0;         // native handle; 0 = slot not in use
  int32_t color = kColorNone;  // background colour, kColorNone for the system's face
  bool sizeState = false;      // minimised or maximised
  bool hasScreen = false;      // a black screen area is drawn over `screen`
  int32_t screenX = 0, screenY = 0, screenWidth = 0, screenHeight = 0;  // pixels
  bool IsLive() const { return handle != 0; }
};

// One runtime event: its code and the window number it came from.
struct RuntimeEvent {
  int32_t code = 0;
  int32_t window = 0;
};

class WindowLayer {
 public:
  // Called with the window's number and its new inner size when it is resized,
  // maximised or restored: the screen stretches itself over the new area.
  using ResizeListener = std::function<void(int32_t number, int32_t width, int32_t height)>;
  // Called with a window's number just before it closes.
  using CloseListener = std::function<void(int32_t number)>;

  WindowLayer();
  ~WindowLayer();  // closes every window
  WindowLayer(const WindowLayer&) = delete;
  WindowLayer& operator=(const WindowLayer&) = delete;

  int32_t Open(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
               const std::string& title, int32_t flags);
  int32_t SetColor(int32_t number, int32_t color);
  int32_t Handle(int32_t number) const;
  int32_t PollEvent(int32_t timeoutMs);
  int32_t ErrorBox(const std::string& caption, const std::string& text);
  void CloseAll();

  // The number of the window with native handle `handle`, or -1.
  int32_t NumberOf(uint32_t handle) const;
  // Draws (or with hasScreen false, removes) the black screen area of window `number`.
  void SetScreenArea(int32_t number, bool hasScreen, int32_t x, int32_t y, int32_t width,
                     int32_t height);
  // The screen's, set once by its constructor (platform/single_slot.h: a second listener
  // stops the program rather than silently replace the first).
  void SetResizeListener(ResizeListener listener) {
    FillSingleSlot(resizeListener_, std::move(listener), "window resize listener");
  }
  void SetCloseListener(CloseListener listener) {
    FillSingleSlot(closeListener_, std::move(listener), "window close listener");
  }
  size_t QueuedEvents() const { return queue_.size(); }

 private:
  void Close(int32_t number);
  void Repaint(int32_t number);
  void Queue(int32_t code, int32_t window);
  void Dispatch(const NativeEvent& event);

  ObjectTable<WindowObject> windows_;
  std::deque<RuntimeEvent> queue_;  // oldest first
  ResizeListener resizeListener_;
  CloseListener closeListener_;
};

// The process-wide window layer the operations below work on.
WindowLayer& Windows();
