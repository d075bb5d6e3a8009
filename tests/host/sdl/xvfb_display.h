// A private virtual X display for one test process: started on a display number that
// Xvfb chooses itself (so parallel tests never collide), exported as DISPLAY, stopped
// when the process's tests end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class XvfbDisplay {
 public:
  // Starts Xvfb with one screen of width x height pixels, 24 bits deep, and any further
  // server options in `options` (e.g. {"-fp", "built-ins"}). Throws nothing: on
  // failure display() is empty and error() says why.
  XvfbDisplay(int width, int height, const std::vector<std::string>& options = {});
  ~XvfbDisplay();
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  const std::string& display() const { return display_; }  // ":N", or empty
  const std::string& error() const { return error_; }

 private:
  pid_t server_ = -1;
  std::string display_;
  std::string error_;
};
