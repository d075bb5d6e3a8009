// platform/screen.h - the black windowed screen: a black surface covering the game
// window's inner area, kept filling it when the window is resized and redrawn whenever
// the area is exposed. Nothing is ever drawn on it.
// Owns: whether the video system is started and the screen's place in its window.
// Threads: the main thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform.h"
#include "platform/single_slot.h"

class WindowLayer;

class ScreenLayer {
 public:
  // Run when an open screen closes, before it goes (the mouse releases itself).
  using CloseHook = std::function<void()>;

  explicit ScreenLayer(WindowLayer& windows);

  int32_t Init();
  int32_t OpenWindowed(int32_t parentHandle, int32_t x, int32_t y, int32_t width, int32_t height,
                       int32_t autoStretch, int32_t rightOffset, int32_t bottomOffset);
  void Close();
  void End();  // closes the screen and stops the video system started by Init

  bool IsOpen() const { return open_; }
  int32_t Width() const { return width_; }  // the screen's size in pixels; 0 when closed
  int32_t Height() const { return height_; }
  // The mouse's, set by MouseInit and emptied by MouseShutdown (platform/single_slot.h: a
  // second hook stops the program rather than silently replace the first).
  void SetCloseHook(CloseHook hook) {
    FillSingleSlot(closeHook_, std::move(hook), "screen close hook");
  }

 private:
  void Stretch(int32_t innerWidth, int32_t innerHeight);
  void ShowArea();

  WindowLayer& windows_;
  int32_t initResult_ = 0;  // 1 once Init has succeeded
  bool open_ = false;
  int32_t parentNumber_ = -1;
  int32_t x_ = 0, y_ = 0;                   // pixels from the parent's inner top-left corner
  int32_t width_ = 0, height_ = 0;          // the screen's own size, pixels
  int32_t areaWidth_ = 0, areaHeight_ = 0;  // the black area now, stretched or not
  bool autoStretch_ = false;
  int32_t rightOffset_ = 0, bottomOffset_ = 0;  // pixels kept free when stretching
  CloseHook closeHook_;
};

// The process-wide screen over Windows().
ScreenLayer& Screen();
