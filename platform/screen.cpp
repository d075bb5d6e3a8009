#include "platform/screen.h"

#include "platform/window.h"
#include "platform/window_system.h"

ScreenLayer::ScreenLayer(WindowLayer& windows) : windows_(windows) {
  windows_.SetResizeListener([this](int32_t number, int32_t width, int32_t height) {
    if (!open_ || number != parentNumber_ || !autoStretch_) return;
    Stretch(width, height);
    ShowArea();
  });
  windows_.SetCloseListener([this](int32_t number) {
    if (open_ && number == parentNumber_) Close();
  });
}

int32_t ScreenLayer::Init() {
  if (initResult_ != 0) return initResult_;
  WindowSystem& system = CurrentWindowSystem();
  if (!system.Start()) return 0;
  if (system.DisplayModeCount() < 1) {
    system.Stop();
    return 0;
  }
  initResult_ = 1;
  return initResult_;
}

int32_t ScreenLayer::OpenWindowed(int32_t parentHandle, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t autoStretch, int32_t rightOffset,
                                  int32_t bottomOffset) {
  Close();
  int32_t number = windows_.NumberOf(static_cast<uint32_t>(parentHandle));
  if (initResult_ == 0 || number < 0 || width < 1 || height < 1) return 0;
  parentNumber_ = number;
  x_ = x;
  y_ = y;
  width_ = areaWidth_ = width;
  height_ = areaHeight_ = height;
  autoStretch_ = autoStretch != 0;
  rightOffset_ = rightOffset;
  bottomOffset_ = bottomOffset;
  int32_t innerWidth = 0, innerHeight = 0;
  if (autoStretch_ && CurrentWindowSystem().InnerSize(static_cast<uint32_t>(parentHandle),
                                                      innerWidth, innerHeight)) {
    Stretch(innerWidth, innerHeight);
  }
  open_ = true;
  ShowArea();
  return 1;
}

// The area keeps its corner and reaches the parent's inner edges, less the offsets.
void ScreenLayer::Stretch(int32_t innerWidth, int32_t innerHeight) {
  areaWidth_ = innerWidth - rightOffset_ - x_;
  areaHeight_ = innerHeight - bottomOffset_ - y_;
}

void ScreenLayer::ShowArea() {
  windows_.SetScreenArea(parentNumber_, true, x_, y_, areaWidth_, areaHeight_);
}

void ScreenLayer::Close() {
  if (!open_) return;
  if (closeHook_) closeHook_();
  open_ = false;  // before the window repaints, so that nothing comes back here
  windows_.SetScreenArea(parentNumber_, false, 0, 0, 0, 0);
  width_ = height_ = areaWidth_ = areaHeight_ = 0;
  parentNumber_ = -1;
}

void ScreenLayer::End() {
  Close();
  if (initResult_ != 0) {
    CurrentWindowSystem().Stop();
    initResult_ = 0;
  }
}

ScreenLayer& Screen() {
  static ScreenLayer* screen = new ScreenLayer(Windows());  // never destroyed, like Windows()
  return *screen;
}

int32_t ScreenInit() {
  return Screen().Init();
}

int32_t ScreenOpenWindowed(int32_t parentHandle, int32_t x, int32_t y, int32_t width,
                           int32_t height, int32_t autoStretch, int32_t rightOffset,
                           int32_t bottomOffset) {
  return Screen().OpenWindowed(parentHandle, x, y, width, height, autoStretch, rightOffset,
                               bottomOffset);
}

void ScreenEnd() {
  Screen().End();
}
