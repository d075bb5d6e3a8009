#include "input/keyboard.h"

#include <cstddef>

namespace {

inline constexpr uint8_t kDown = 0x80;
// The last code is never looked at by the any-key tests.
inline constexpr int32_t kLastAnyKey = kKeyCodeCount - 2;

bool IsKeyCode(int32_t key) { return key >= 0 && key < kKeyCodeCount; }

}  // namespace

int32_t Keyboard::Init() {
  if (mode_ != 0) return 1;
  if (!CurrentInputSource().OpenKeyboard()) return 0;
  mode_ = 1;
  return 1;
}

int32_t Keyboard::Examine() {
  if (mode_ == 0) return 0;
  mode_ = 2;
  if (CurrentInputSource().ReadKeys(keys_)) return 1;
  mode_ = 1;  // nothing can be answered until a later examine reads again
  return 0;
}

int32_t Keyboard::KeyDown(int32_t key) const {
  if (mode_ != 2) return 0;
  if (key == kAnyKey) {
    for (int32_t k = 0; k <= kLastAnyKey; ++k) {
      if ((keys_[static_cast<size_t>(k)] & kDown) != 0) return 1;
    }
    return 0;
  }
  return IsKeyCode(key) ? keys_[static_cast<size_t>(key)] & kDown : 0;
}

// A release is reported only for a key this test has seen down; the mark is what
// remembers that, and only this test ever changes it.
bool Keyboard::ReleasedOnce(int32_t key) {
  auto k = static_cast<size_t>(key);
  if ((keys_[k] & kDown) != 0) {
    marks_[k] = 1;
    return false;
  }
  if (marks_[k] == 0) return false;
  marks_[k] = 0;
  return true;
}

int32_t Keyboard::KeyReleased(int32_t key) {
  if (mode_ != 2) return 0;
  if (key == kAnyKey) {
    bool any = false;
    for (int32_t k = 0; k <= kLastAnyKey; ++k) any = ReleasedOnce(k) || any;
    return any ? 1 : 0;
  }
  return IsKeyCode(key) && ReleasedOnce(key) ? 1 : 0;
}

void Keyboard::Shutdown() {
  if (mode_ == 0) return;
  CurrentInputSource().CloseKeyboard();
  mode_ = 0;
  keys_ = {};
}

Keyboard& TheKeyboard() {
  static Keyboard keyboard;
  return keyboard;
}

int32_t KeyboardInit() { return TheKeyboard().Init(); }
int32_t KeyboardExamine() { return TheKeyboard().Examine(); }
int32_t KeyDown(int32_t key) { return TheKeyboard().KeyDown(key); }
int32_t KeyReleased(int32_t key) { return TheKeyboard().KeyReleased(key); }
void KeyboardShutdown() { TheKeyboard().Shutdown(); }
