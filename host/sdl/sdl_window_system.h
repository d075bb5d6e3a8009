// host/sdl/sdl_window_system.h - the window system of the real program on SDL2: real
// windows painted through their window surfaces, SDL's event queue, SDL message boxes.
// Native handles are SDL window ids. A message box is shown only on an X11 or Wayland
// display; when SDL fails to show one there, a line on standard error says why.
// Threads: the main thread, as the seam requires.
#pragma once

#include <map>

#include "platform/window_system.h"

class SdlWindowSystem final : public WindowSystem {
 public:
  bool Start() override;
  void Stop() override;
  int32_t DisplayModeCount() override;
  std::vector<DesktopRecord> Desktops() override;
  uint32_t OpenWindow(const WindowRequest& request) override;
  void CloseWindow(uint32_t window) override;
  bool InnerSize(uint32_t window, int32_t& width, int32_t& height) override;
  void Paint(uint32_t window, const PaintRequest& request) override;
  bool NextEvent(int32_t timeoutMs, NativeEvent& event) override;
  bool ShowMessageBox(uint32_t owner, const std::string& caption, const std::string& text) override;

 private:
  void Redraw(uint32_t window);

  std::map<uint32_t, PaintRequest> looks_;  // the last paint request of each open window
};
