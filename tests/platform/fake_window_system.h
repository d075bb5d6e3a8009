// A window system that keeps everything in memory: tests queue native events and read
// back what was opened, painted, closed and shown.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/window_system.h"

class FakeWindowSystem final : public WindowSystem {
 public:
  struct Window {
    WindowRequest request;
    PaintRequest paint;
    int32_t paints = 0;
    int32_t innerWidth = 0, innerHeight = 0;
  };
  struct Box {
    uint32_t owner;
    std::string caption, text;
  };

  bool canStart = true;
  int32_t modes = 3;
  int32_t starts = 0, stops = 0;
  std::vector<DesktopRecord> desktops{{0, 0, 1280, 800, 60, 24, "primary"},
                                      {1280, 0, 1024, 768, 60, 24, "second"}};
  bool canOpen = true;
  bool canShowBoxes = true;

  std::map<uint32_t, Window> windows;  // open ones, by handle
  std::vector<uint32_t> closed;        // handles in closing order
  std::deque<NativeEvent> pending;
  std::vector<int32_t> waits;          // timeouts of NextEvent calls that found nothing
  std::vector<Box> boxes;

  bool Start() override {
    if (!canStart) return false;
    ++starts;
    return true;
  }
  void Stop() override { ++stops; }
  int32_t DisplayModeCount() override { return starts > stops ? modes : 0; }
  std::vector<DesktopRecord> Desktops() override {
    return starts > stops ? desktops : std::vector<DesktopRecord>{};
  }
  uint32_t OpenWindow(const WindowRequest& request) override {
    if (!canOpen) return 0;
    uint32_t handle = nextHandle_++;
    windows[handle] = {request, {}, 0, request.width, request.height};
    return handle;
  }
  void CloseWindow(uint32_t window) override {
    if (windows.erase(window) != 0) closed.push_back(window);
  }
  bool InnerSize(uint32_t window, int32_t& width, int32_t& height) override {
    auto found = windows.find(window);
    if (found == windows.end()) return false;
    width = found->second.innerWidth;
    height = found->second.innerHeight;
    return true;
  }
  void Paint(uint32_t window, const PaintRequest& request) override {
    auto found = windows.find(window);
    if (found == windows.end()) return;
    found->second.paint = request;
    ++found->second.paints;
  }
  bool NextEvent(int32_t timeoutMs, NativeEvent& event) override {
    if (pending.empty()) {
      waits.push_back(timeoutMs);
      return false;
    }
    event = pending.front();
    pending.pop_front();
    return true;
  }
  bool ShowMessageBox(uint32_t owner, const std::string& caption,
                      const std::string& text) override {
    if (!canShowBoxes) return false;
    boxes.push_back({owner, caption, text});
    return true;
  }

  // The user resizes window `handle`: its inner area changes and the event is pending.
  void Resize(uint32_t handle, NativeEventKind kind, int32_t width, int32_t height) {
    windows[handle].innerWidth = width;
    windows[handle].innerHeight = height;
    pending.push_back({kind, handle, width, height});
  }

 private:
  uint32_t nextHandle_ = 0x101;
};

// Installs a fresh fake for the length of one test.
class WithFakeWindowSystem {
 public:
  WithFakeWindowSystem() { InstallWindowSystem(&system); }
  ~WithFakeWindowSystem() { InstallWindowSystem(nullptr); }
  FakeWindowSystem system;
};
