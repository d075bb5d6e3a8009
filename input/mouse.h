// input/mouse.h - the optional mouse: movement summed per tick from buffered events,
// three buttons, and a virtual pointer position kept inside the screen. While the game
// window is in front the system pointer is hidden and confined; otherwise shown and free.
// Owns: the mouse state. Reads through the installed InputSource and the screen's size
// (platform/screen.h).
// Threads: the main thread only.
#pragma once

#include <array>
#include <cstdint>

#include "input/input.h"
#include "input/input_source.h"

class ScreenLayer;

class Mouse {
 public:
  explicit Mouse(ScreenLayer& screen) : screen_(screen) {}

  int32_t Init();
  int32_t Examine();
  int32_t DeltaX() const { return dx_; }
  int32_t DeltaY() const { return dy_; }
  void Locate(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
  }
  int32_t Button(int32_t n) const;
  void OnScreenClosed();
  void Shutdown();

  int32_t x() const { return x_; }
  int32_t y() const { return y_; }

 private:
  void Release();
  void Apply(const std::array<MouseEvent, kMouseBufferEvents>& events, int32_t count);

  ScreenLayer& screen_;
  bool attempted_ = false;
  bool ready_ = false;       // the first Init's result
  bool deviceOpen_ = false;  // opened by Init, closed by Shutdown
  bool captured_ = false;
  int32_t x_ = 0, y_ = 0;             // virtual pointer, pixels of the screen
  int32_t dx_ = 0, dy_ = 0;           // movement summed by the last examine, device units
  std::array<int32_t, 3> buttons_{};  // buttons 1 (left), 2 (right), 3 (middle): 1 pressed
};

Mouse& TheMouse();
