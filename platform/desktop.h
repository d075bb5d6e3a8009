// platform/desktop.h - the sizes of the attached displays ("desktops"); desktop 0 is
// the primary display.
// Threads: the main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window_system.h"

class DesktopList {
 public:
  int32_t Examine();  // reads every attached display again; returns their number
  int32_t Width(int32_t n) const;
  int32_t Height(int32_t n) const;
  const std::vector<DesktopRecord>& Records() const { return records_; }

 private:
  std::vector<DesktopRecord> records_;  // empty until examined
};

DesktopList& Desktops();

// Reads the attached displays' current settings; returns how many there are (0 when
// the video system is not started).
int32_t DesktopExamine();

// Width or height in pixels of desktop n as last examined; 0 when n < 0 or n is not
// below the number DesktopExamine returned.
int32_t DesktopWidth(int32_t n);
int32_t DesktopHeight(int32_t n);
