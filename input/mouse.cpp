#include "input/mouse.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "platform/screen.h"

namespace {

int32_t Saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// A pointer position moved by `delta` and kept within 0..extent-1 (no bound while no
// screen gives an extent).
int32_t MoveWithin(int32_t position, int32_t delta, int32_t extent) {
  int64_t moved = static_cast<int64_t>(position) + delta;
  if (extent > 0) moved = std::clamp<int64_t>(moved, 0, extent - 1);
  return Saturate(moved);
}

}  // namespace

int32_t Mouse::Init() {
  if (attempted_) return ready_ ? 1 : 0;
  attempted_ = true;
  if (!CurrentInputSource().OpenMouse()) return 0;
  deviceOpen_ = true;
  captured_ = false;
  screen_.SetCloseHook([this] { OnScreenClosed(); });
  ready_ = true;
  return 1;
}

void Mouse::Release() {
  if (!captured_) return;
  CurrentInputSource().CaptureMouse(false);
  captured_ = false;
}

int32_t Mouse::Examine() {
  dx_ = dy_ = 0;
  if (!deviceOpen_) return 0;
  InputSource& source = CurrentInputSource();
  if (!source.HasFocus()) {
    Release();
    return 0;
  }
  if (!captured_) {
    source.CaptureMouse(true);
    captured_ = true;
  }
  std::array<MouseEvent, kMouseBufferEvents> events;
  int32_t count = 0;
  switch (source.ReadMouse(events, count)) {
    case MouseReadResult::kRead:
      Apply(events, std::clamp(count, 0, kMouseBufferEvents));
      x_ = MoveWithin(x_, dx_, screen_.Width());
      y_ = MoveWithin(y_, dy_, screen_.Height());
      return 1;
    case MouseReadResult::kOverflowed:
      // The lost events may have held button releases: let go of the two the game uses.
      buttons_[0] = buttons_[1] = 0;
      return 0;
    case MouseReadResult::kFailed:
      return 0;
  }
  return 0;
}

void Mouse::Apply(const std::array<MouseEvent, kMouseBufferEvents>& events, int32_t count) {
  int64_t dx = 0, dy = 0;  // at most 24 events of 32 bits: no overflow in 64
  for (int32_t i = 0; i < count; ++i) {
    const MouseEvent& event = events[static_cast<size_t>(i)];
    switch (event.kind) {
      case MouseEvent::Kind::kMoveX: dx += event.value; break;
      case MouseEvent::Kind::kMoveY: dy += event.value; break;
      case MouseEvent::Kind::kButton:
        if (event.button >= 1 && event.button <= 3) {
          buttons_[static_cast<size_t>(event.button - 1)] = event.value != 0 ? 1 : 0;
        }
        break;
      case MouseEvent::Kind::kWheel: break;
    }
  }
  dx_ = Saturate(dx);
  dy_ = Saturate(dy);
}

int32_t Mouse::Button(int32_t n) const {
  return n >= 1 && n <= 3 ? buttons_[static_cast<size_t>(n - 1)] : 0;
}

void Mouse::OnScreenClosed() {
  if (!deviceOpen_) return;
  Release();
  buttons_ = {};
  x_ = y_ = 0;
}

void Mouse::Shutdown() {
  if (!deviceOpen_) return;
  Release();
  CurrentInputSource().CloseMouse();
  deviceOpen_ = false;
  screen_.SetCloseHook(nullptr);
  attempted_ = ready_ = false;  // closed: a later Init opens it again
}

Mouse& TheMouse() {
  static Mouse mouse(Screen());
  return mouse;
}

int32_t MouseInit() { return TheMouse().Init(); }
int32_t MouseExamine() { return TheMouse().Examine(); }
int32_t MouseDeltaX() { return TheMouse().DeltaX(); }
void MouseLocate(int32_t x, int32_t y) { TheMouse().Locate(x, y); }
int32_t MouseButton(int32_t n) { return TheMouse().Button(n); }
void MouseShutdown() { TheMouse().Shutdown(); }
