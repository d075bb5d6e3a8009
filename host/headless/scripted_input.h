// host/headless/scripted_input.h - the keyboard and mouse of a headless run, played from
// the input script (host/headless/input_script.h) through the InputSource seam, so that
// KeyDown, KeyReleased, MouseExamine ... answer exactly as on the real host.
//
// The script describes the physical devices: a key is down from its "key down" to its
// "key up", whether or not the game window has the focus. What the game may read follows
// the real host's rules:
//  - Without focus (no visible window opened with activation, or after "focus lost")
//    ReadKeys fails and ReadMouse answers kFailed.
//  - Mouse events are buffered only while the mouse is open, captured and the window has
//    the focus; losing the focus or the capture empties the buffer. Events due before
//    or in the same virtual millisecond as the game's capture are lost, as they would
//    be on the real host. At most 24 events
//    are kept between two reads; more make the next read kOverflowed.
//  - The keyboard always opens; the mouse opens when the host was made with one.
// Threads: the main thread only.
#pragma once

#include <array>
#include <cstdint>

#include "input/input_source.h"
#include "input/mouse_event_buffer.h"

struct ScriptEvent;
class ScriptFeed;
class RecordedWindowSystem;

class ScriptedInput final : public InputSource {
 public:
  ScriptedInput(ScriptFeed& feed, const RecordedWindowSystem& windows, bool mousePresent,
                bool keyboardPresent = true)
      : feed_(feed),
        windows_(windows),
        mousePresent_(mousePresent),
        keyboardPresent_(keyboardPresent) {}

  bool OpenKeyboard() override;
  void CloseKeyboard() override;
  bool HasFocus() override;
  bool ReadKeys(KeySnapshot& keys) override;
  bool OpenMouse() override;
  void CloseMouse() override;
  void CaptureMouse(bool captured) override;
  MouseReadResult ReadMouse(std::array<MouseEvent, kMouseBufferEvents>& events,
                            int32_t& count) override;

  // Called by the script feed: key and mouse events, and the loss of focus.
  void Apply(const ScriptEvent& event);
  void OnFocusLost();

  bool captured() const { return captured_; }

 private:
  void Buffer(const MouseEvent& event);

  ScriptFeed& feed_;
  const RecordedWindowSystem& windows_;
  bool mousePresent_;
  bool keyboardPresent_;
  int32_t keyboardOpens_ = 0;  // successful OpenKeyboard calls not yet closed
  int32_t mouseOpens_ = 0;
  bool captured_ = false;
  KeySnapshot keys_{};  // the physical keys: 0x80 = down
  MouseEventBuffer buffer_;
};
