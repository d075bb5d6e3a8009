// An input source the test drives: which keys are down, whether the game window has the
// focus, and mouse events that are buffered only while the mouse is captured.
#pragma once

#include <cstdint>

#include "input/input_source.h"
#include "input/mouse_event_buffer.h"

class FakeInputSource final : public InputSource {
 public:
  bool connected = true;
  bool mousePresent = true;
  bool focus = true;
  KeySnapshot keys{};
  int32_t keyboardOpens = 0, keyboardCloses = 0;
  int32_t mouseOpens = 0, mouseCloses = 0;
  bool captured = false;
  MouseEventBuffer buffer;

  void Press(int32_t key) { keys[static_cast<size_t>(key)] = 0x80; }
  void Lift(int32_t key) { keys[static_cast<size_t>(key)] = 0; }
  void Move(int32_t dx, int32_t dy) {
    if (!captured) return;
    if (dx != 0) buffer.Push({MouseEvent::Kind::kMoveX, dx, 0});
    if (dy != 0) buffer.Push({MouseEvent::Kind::kMoveY, dy, 0});
  }
  void Click(int32_t button, bool pressed) {
    if (captured) buffer.Push({MouseEvent::Kind::kButton, pressed ? 1 : 0, button});
  }
  void Wheel(int32_t steps) {
    if (captured) buffer.Push({MouseEvent::Kind::kWheel, steps, 0});
  }

  bool OpenKeyboard() override {
    if (!connected) return false;
    ++keyboardOpens;
    return true;
  }
  void CloseKeyboard() override { ++keyboardCloses; }
  bool HasFocus() override { return focus; }
  bool ReadKeys(KeySnapshot& out) override {
    if (!focus) return false;
    out = keys;
    return true;
  }
  bool OpenMouse() override {
    if (!mousePresent) return false;
    ++mouseOpens;
    return true;
  }
  void CloseMouse() override { ++mouseCloses; }
  void CaptureMouse(bool on) override {
    if (!on) buffer.Clear();
    captured = on;
  }
  MouseReadResult ReadMouse(std::array<MouseEvent, kMouseBufferEvents>& events,
                            int32_t& count) override {
    count = 0;
    if (!focus || !captured) return MouseReadResult::kFailed;
    return buffer.Take(events, count);
  }
};

class WithFakeInputSource {
 public:
  WithFakeInputSource() { InstallInputSource(&source); }
  ~WithFakeInputSource() { InstallInputSource(nullptr); }
  FakeInputSource source;
};
