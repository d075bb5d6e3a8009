// platform/single_slot.h - a notice slot with one owner (the screen's listeners on the
// window layer, the mouse's hook on the screen). Setting it while it holds a function is
// a fault: a second owner would silently take the notices from the first, so the program
// stops with a line that says which slot. nullptr empties it.
// Threads: the main thread only, like the layers that hold such slots.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <utility>

template <typename Function>
void FillSingleSlot(Function& slot, Function value, const char* name) {
  if (slot && value) {
    std::fprintf(stderr, "%s: set twice; the second would silently replace the first\n", name);
    std::abort();
  }
  slot = std::move(value);
}
