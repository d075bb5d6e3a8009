// host/headless/input_script.h - the input script of a headless run: what the player
// does, and when, in virtual milliseconds since the host was installed.
//
// One event per line:   <time> <what>
//   <time>   a whole number of ms (0 .. 10^12), or +N: N ms after the previous event.
//            Times never go back; events at the same time apply in file order.
//   <what>   key down <key>        a key goes down (held until "key up")
//            key up <key>
//            mouse move <dx> [<dy>] relative movement in pixels (+ = right, down);
//                                   one mouse event per nonzero axis, x first
//            mouse down <button>   button: left, right, middle or 1, 2, 3
//            mouse up <button>
//            mouse wheel <steps>
//            focus lost            the game window loses the keyboard focus
//            focus back            ... and gets it back
//            close                 a close request from the title bar
//   <key>    a scan code 0..255 (a number is always a scan code), or a name (case
//            does not matter): A..Z, Digit0..Digit9, Escape (Esc), Space, Enter (Return), Tab,
//            Backspace, Left, Right, Up, Down, LShift (LeftShift), RShift, LCtrl (LeftControl),
//            RCtrl, LAlt, RAlt, F1..F12, Home, End, PageUp, PageDown, Insert, Delete,
//            Minus, Equals, Comma, Period, Slash, Semicolon, Apostrophe, Grave,
//            Backslash, LeftBracket, RightBracket, CapsLock; Shift, Ctrl (Control)
//            and Alt mean the left-hand ones.
// "#" starts a comment that runs to the end of the line; blank lines are skipped.
//
// Example:
//   0     key down W      # walk
//   +500  key up W
//   600   mouse move -40 0
//   900   key down Space
//   +17   key up Space
//
// Limits, so that what a script costs is bounded by design: a file is at most
// kMaxScriptFileBytes (64 MiB), a line at most kMaxScriptLineBytes bytes (comment
// included), a script holds at most kMaxScriptEvents events, and parsing stops after
// kMaxScriptErrors wrong lines. Past a limit the parser
// says so; it never reads on.
//
// Parsing is pure and never fails hard: every malformed line is reported with its
// number and what is wrong (user text in a message is a bounded, escaped excerpt), and
// the caller decides what to do with the rest.
// Threads: any; no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint64_t kMaxScriptTimeMs = 1'000'000'000'000;  // about 31 years of virtual time
inline constexpr size_t kMaxScriptLineBytes = 4096;
inline constexpr size_t kMaxScriptEvents = 1'000'000;  // also the most input that may wait
inline constexpr size_t kMaxScriptErrors = 100;
inline constexpr size_t kMaxScriptFileBytes = 64 << 20;  // 64 MiB: a file is read no further

struct ScriptEvent {
  enum class Kind : int32_t {
    kKeyDown,  // `value`: key code 0..255
    kKeyUp,
    kMouseMove,  // `value`: dx, `value2`: dy, pixels
    kMouseDown,  // `value`: button 1 (left), 2 (right), 3 (middle)
    kMouseUp,
    kMouseWheel,  // `value`: steps
    kFocusLost,
    kFocusBack,
    kCloseRequest,
  };
  uint64_t timeMs = 0;  // virtual ms since the host was installed
  Kind kind = Kind::kKeyDown;
  int32_t value = 0;
  int32_t value2 = 0;
  int32_t line = 0;  // 1-based line of the script it came from

  // Events the window system hands out (focus changes, close requests).
  bool IsWindowEvent() const {
    return kind == Kind::kFocusLost || kind == Kind::kFocusBack || kind == Kind::kCloseRequest;
  }
  bool operator==(const ScriptEvent&) const = default;
};

struct ScriptError {
  int32_t line = 0;          // 1-based; 0 = the script as a whole (unreadable, too many errors)
  std::string message;       // what is wrong, e.g. "unknown key 'Foo'"
  std::string Text() const;  // "line 3: unknown key 'Foo'"
};

struct InputScript {
  std::vector<ScriptEvent> events;  // in time order; file order within one time
  std::vector<ScriptError> errors;  // empty when every line was understood
};

// Parses `text`. Malformed lines are left out of `events` and listed in `errors`.
InputScript ParseInputScript(std::string_view text);

// Reads the script file at `path` into `text`, at most kMaxScriptFileBytes of it. Returns
// an error (the path quoted, what is wrong), or an empty string when it was read whole.
std::string ReadScriptFile(const std::string& path, std::string& text);

// Inserts `event` into `events` (in time order from index `from` on) after every event
// there of the same or an earlier time: where a script holding it would have it.
// Returns the index it took.
size_t InsertByTime(std::vector<ScriptEvent>& events, size_t from, const ScriptEvent& event);

// The key code for a name of the list above or a decimal scan code 0..255; -1 when
// it is neither.
int32_t KeyCodeByName(std::string_view name);
