// A plain X client that looks at the game's window from outside, as a window manager
// or a screen reader would: its title, geometry, pixels, and close requests sent to it.
// X's own headers stay in x_client.cpp (their macros collide with the test framework's).
#pragma once

#include <cstdint>
#include <string>

class XClient {
 public:
  explicit XClient(const std::string& display);
  ~XClient();
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  bool connected() const { return display_ != nullptr; }

  // The X window behind the SDL window with id `sdlWindowId`; 0 when there is none.
  unsigned long WindowOf(uint32_t sdlWindowId);

  std::string Title(unsigned long window);  // _NET_WM_NAME, UTF-8
  // Inner size and the inner area's position on the root window; false when unknown.
  bool Geometry(unsigned long window, int& width, int& height, int& rootX, int& rootY);
  bool Viewable(unsigned long window);
  // Pixels of the area (0, 0, width, height) that are not black; -1 when unreadable.
  long NonBlackPixels(unsigned long window, int width, int height);
  // What a window manager sends when the user clicks the close box.
  void RequestClose(unsigned long window);
  // Gives the keyboard focus to `window`, or with 0 to nobody in particular.
  void Focus(unsigned long window);

 private:
  void* display_ = nullptr;  // Display*
};
