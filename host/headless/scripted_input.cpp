#include "host/headless/scripted_input.h"

#include "host/headless/input_script.h"
#include "host/headless/recorded_window.h"
#include "host/headless/script_feed.h"

bool ScriptedInput::OpenKeyboard() {
  if (!keyboardPresent_) return false;
  ++keyboardOpens_;
  return true;
}

void ScriptedInput::CloseKeyboard() {
  if (keyboardOpens_ > 0) --keyboardOpens_;
}

bool ScriptedInput::HasFocus() {
  feed_.CatchUp();
  return windows_.HasFocus();
}

bool ScriptedInput::ReadKeys(KeySnapshot& keys) {
  feed_.CatchUp();
  if (keyboardOpens_ == 0 || !windows_.HasFocus()) return false;
  keys = keys_;
  return true;
}

bool ScriptedInput::OpenMouse() {
  if (!mousePresent_) return false;
  ++mouseOpens_;
  return true;
}

void ScriptedInput::CloseMouse() {
  if (mouseOpens_ == 0) return;
  if (--mouseOpens_ == 0) CaptureMouse(false);
}

void ScriptedInput::CaptureMouse(bool captured) {
  feed_.CatchUp();  // events due before the change are buffered under the old state
  if (captured == captured_) return;
  captured_ = captured;
  if (!captured) buffer_.Clear();
}

MouseReadResult ScriptedInput::ReadMouse(std::array<MouseEvent, kMouseBufferEvents>& events,
                                         int32_t& count) {
  feed_.CatchUp();
  count = 0;
  if (mouseOpens_ == 0 || !captured_ || !windows_.HasFocus()) return MouseReadResult::kFailed;
  return buffer_.Take(events, count);
}

void ScriptedInput::OnFocusLost() {
  buffer_.Clear();
}

void ScriptedInput::Buffer(const MouseEvent& event) {
  if (mouseOpens_ > 0 && captured_ && windows_.HasFocus()) buffer_.Push(event);
}

void ScriptedInput::Apply(const ScriptEvent& event) {
  using Kind = ScriptEvent::Kind;
  switch (event.kind) {
    case Kind::kKeyDown:
    case Kind::kKeyUp:
      keys_[static_cast<size_t>(event.value & 0xFF)] = event.kind == Kind::kKeyDown ? 0x80 : 0;
      break;
    case Kind::kMouseMove:
      if (event.value != 0) Buffer({MouseEvent::Kind::kMoveX, event.value, 0});
      if (event.value2 != 0) Buffer({MouseEvent::Kind::kMoveY, event.value2, 0});
      break;
    case Kind::kMouseDown:
    case Kind::kMouseUp:
      Buffer({MouseEvent::Kind::kButton, event.kind == Kind::kMouseDown ? 1 : 0, event.value});
      break;
    case Kind::kMouseWheel:
      Buffer({MouseEvent::Kind::kWheel, event.value, 0});
      break;
    default:
      break;  // window events are not input
  }
}
