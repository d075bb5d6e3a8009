#include "platform/desktop.h"

int32_t DesktopList::Examine() {
  records_ = CurrentWindowSystem().Desktops();
  return static_cast<int32_t>(records_.size());
}

int32_t DesktopList::Width(int32_t n) const {
  if (n < 0 || n >= static_cast<int32_t>(records_.size())) return 0;
  return records_[static_cast<size_t>(n)].width;
}

int32_t DesktopList::Height(int32_t n) const {
  if (n < 0 || n >= static_cast<int32_t>(records_.size())) return 0;
  return records_[static_cast<size_t>(n)].height;
}

DesktopList& Desktops() {
  static DesktopList list;
  return list;
}

int32_t DesktopExamine() { return Desktops().Examine(); }
int32_t DesktopWidth(int32_t n) { return Desktops().Width(n); }
int32_t DesktopHeight(int32_t n) { return Desktops().Height(n); }
