// platform/window_system.h - the window system under the window, screen and desktop
// operations, behind a seam so that a host can give a real display or a recorded one.
//
// The platform layer (window.cpp, screen.cpp, desktop.cpp) is the only caller. It keeps
// the numbered windows, the runtime event queue and the screen state; the installed
// WindowSystem only does what the operating system must: make and destroy windows, paint
// them, hand over native events one at a time, and show message boxes.
//
// Threads: every function is called on the main thread (the thread that opened the
// window), never concurrently. Installing happens once at start-up, before any other
// platform operation, or in a test.
// Handles: a native window handle is a nonzero 32-bit number chosen by the window
// system, unique among its open windows; 0 always means "no window".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One attached display's current settings. Positions and sizes in pixels on the virtual
// desktop.
struct DesktopRecord {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;      // pixels, > 0
  int32_t height = 0;     // pixels, > 0
  int32_t refreshHz = 0;  // 0 = unknown or the hardware default
  int32_t depthBits = 0;  // bits per pixel, 0 = unknown
  std::string name;       // the display's name, may be empty
};

// What a new top-level window should look like.
struct WindowRequest {
  int32_t x = 0;         // pixels from the left of the primary display to the inner area
  int32_t y = 0;         // pixels from its top to the inner area
  int32_t width = 0;     // inner (client) area, pixels, >= 1
  int32_t height = 0;    // pixels, >= 1
  std::string title;     // UTF-8, may be empty; shown in the title bar
  bool visible = true;   // false: created hidden
  bool activate = true;  // false: shown without taking the keyboard focus
};

// A solid rectangle inside a window's inner area, pixels from its top-left corner.
struct PaintRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;  // 0 or less: nothing
  int32_t height = 0;
};

// How a window's inner area looks. The window system keeps the last request per window
// and repeats it by itself whenever the area must be redrawn (exposure, resize).
struct PaintRequest {
  int32_t background = -1;  // colour 0x00BBGGRR filling the whole area; -1 = no brush
                            // (the window system's default face)
  bool hasScreen = false;   // a black screen surface is drawn over `screen`
  PaintRect screen;
};

// Native window events the platform layer turns into runtime events. They are the
// system's own notices about one window; keyboard and mouse input never arrives here
// (the input layer takes it, input/input_source.h).
enum class NativeEventKind : int32_t {
  kCloseRequest,  // title-bar close or window-manager close; the window stays open
  kMoved,         // the window's position changed
  kResized,       // inner area changed size while shown normally (width, height set)
  kMinimized,
  kMaximized,     // width, height set to the new inner size
  kRestored,      // back from minimised or maximised (width, height set)
  kActivated,     // the window came in front and holds the keyboard focus
  kDeactivated,   // it lost the keyboard focus
  kExposed,       // part of the inner area must be redrawn (the system has done so
                  // already from the last PaintRequest)
  kLeftButtonUp,  // mouse buttons released over the inner area
  kLeftDoubleClick,
  kRightButtonUp,
};

struct NativeEvent {
  NativeEventKind kind = NativeEventKind::kExposed;
  uint32_t window = 0;  // native handle of the window it concerns
  int32_t width = 0;    // new inner width in pixels, for kResized, kMaximized, kRestored
  int32_t height = 0;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Starts the video system. False when no display can be driven (no connection to a
  // window system). Safe to call again: later calls return the first success, or retry
  // after a failure. Stop() undoes one successful Start().
  virtual bool Start() = 0;
  virtual void Stop() = 0;

  // Number of display modes the primary display offers; 0 when not started or none.
  virtual int32_t DisplayModeCount() = 0;

  // Every attached display's current settings, the primary display first. Empty when
  // not started or nothing can be read.
  virtual std::vector<DesktopRecord> Desktops() = 0;

  // Opens and (if asked) shows a captioned top-level window with no sizing border and
  // no minimise or maximise box. Returns its native handle, or 0 when it cannot be made.
  virtual uint32_t OpenWindow(const WindowRequest& request) = 0;

  // Destroys the window; an unknown handle does nothing. Its pending events are dropped.
  virtual void CloseWindow(uint32_t window) = 0;

  // The current inner size in pixels; false (sizes untouched) for an unknown handle.
  virtual bool InnerSize(uint32_t window, int32_t& width, int32_t& height) = 0;

  // Sets how the inner area looks and redraws it now.
  virtual void Paint(uint32_t window, const PaintRequest& request) = 0;

  // Takes the oldest pending native event into `event` and returns true. With nothing
  // pending: `timeoutMs` 0 returns false at once; -1 waits until an event arrives;
  // a positive count waits up to that many milliseconds and returns false if none came.
  // The wait is the one place the main thread gives way while pumping (a host may
  // make it a scheduler wait). Input events that arrive meanwhile go to the input
  // layer and never end the wait early on their own.
  virtual bool NextEvent(int32_t timeoutMs, NativeEvent& event) = 0;

  // Shows a modal message box with `text`, captioned `caption`, and only an OK button;
  // returns when it is dismissed. `owner` is the native handle of the window the box
  // belongs to (blocked while the box is up), or 0. Returns false when no box can be
  // shown at all (no display); the caller then reports the text another way.
  virtual bool ShowMessageBox(uint32_t owner, const std::string& caption,
                              const std::string& text) = 0;
};

// The window system in force. Never null: until a host installs one, the null window
// system, no display. Start fails, no window opens, no events arrive (NextEvent sleeps
// its timeout on the current clock, and -1 returns at once rather than hang), no box can
// be shown.
WindowSystem& CurrentWindowSystem();

// Installs `system` (nullptr restores the null window system). Call at start-up or in a
// test, while no platform operation runs.
void InstallWindowSystem(WindowSystem* system);
