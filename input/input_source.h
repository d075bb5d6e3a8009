// input/input_source.h - where keys and mouse movement come from, behind a seam so that
// a host can give the real devices or a script.
//
// The keyboard and mouse layer (keyboard.cpp, mouse.cpp) is the only caller. It keeps
// the per-tick state, the release marks and the virtual pointer; the installed
// InputSource only reads the devices.
//
// Focus: the game window "has focus" while it is in front and holds the keyboard focus.
// Without focus nothing can be read: ReadKeys returns false, ReadMouse returns kFailed,
// and mouse events are not buffered. What "no focus" looks like to the game is decided
// above this seam (every answer 0, marks kept).
//
// Threads: every function is called on the main thread, never concurrently. A host may
// collect mouse events on other threads (MouseEventBuffer is locked for that).
// Installing happens once at start-up, before KeyboardInit, or in a test.
#pragma once

#include <array>
#include <cstdint>

// Key codes are the game's scan codes 0..255 (1 Escape, 17 W, 57 Space, 203 Left,
// 205 Right; the full table is input/key_codes.h). Entry k of a snapshot has bit 7
// (0x80) set while key k is down and is 0 while it is up; no other bit is ever set.
inline constexpr int32_t kKeyCodeCount = 256;
using KeySnapshot = std::array<uint8_t, kKeyCodeCount>;

// The mouse buffer holds this many events between two reads; more are lost and the
// next read reports an overflow.
inline constexpr int32_t kMouseBufferEvents = 24;

// One buffered mouse event. A movement on both axes is two events (x, then y).
struct MouseEvent {
  enum class Kind : int32_t {
    kMoveX,   // `value`: relative movement in device units (pixels), + = right
    kMoveY,   // `value`: + = down
    kButton,  // `button` 1 (left), 2 (right) or 3 (middle); `value` 1 pressed, 0 released
    kWheel,   // `value`: wheel steps; counted in the buffer, ignored by the game
  };
  Kind kind = Kind::kMoveX;
  int32_t value = 0;
  int32_t button = 0;  // for kButton only
};

enum class MouseReadResult : int32_t {
  kRead,        // the events were taken (possibly none)
  kOverflowed,  // more than kMouseBufferEvents arrived since the last read: the buffer was
                // emptied and its events must not be applied
  kFailed,      // nothing could be read (no focus, not captured, no device)
};

class InputSource {
 public:
  virtual ~InputSource() = default;

  // Opens the connection the keys are read through. False when there is none (no window
  // system to read keys from). Each successful open is undone by one CloseKeyboard.
  virtual bool OpenKeyboard() = 0;
  virtual void CloseKeyboard() = 0;

  // Whether the game window is in front and holds the keyboard focus now. False while
  // no game window exists.
  virtual bool HasFocus() = 0;

  // Fills `keys` with the current state of every key. False, with `keys` untouched, when
  // the state cannot be read (no focus, connection lost).
  virtual bool ReadKeys(KeySnapshot& keys) = 0;

  // True when a mouse exists; each true is undone by one CloseMouse.
  virtual bool OpenMouse() = 0;
  virtual void CloseMouse() = 0;

  // captured = true: the pointer is hidden and confined to the game window, movement is
  // reported relative, and mouse events are buffered from now on. false: the pointer is
  // shown and free, buffering stops and the buffer is emptied. Repeating the current
  // state does nothing.
  virtual void CaptureMouse(bool captured) = 0;

  // Takes every buffered event, oldest first, into `events` and their number into
  // `count` (0..kMouseBufferEvents). On kOverflowed and kFailed `count` is 0.
  virtual MouseReadResult ReadMouse(std::array<MouseEvent, kMouseBufferEvents>& events,
                                    int32_t& count) = 0;
};

// The input source in force. Never null: until a host installs one, the null input
// source (no keyboard connection, no mouse, never focused).
InputSource& CurrentInputSource();

// Installs `source` (nullptr restores the null input source). Call at start-up or in a
// test, while no input operation runs.
void InstallInputSource(InputSource* source);
