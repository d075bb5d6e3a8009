// platform/desktop.h - the sizes of the attached displays ("desktops"); desktop 0 is
// the primary display.
// Threads: the main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"
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
