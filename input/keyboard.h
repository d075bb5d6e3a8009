// input/keyboard.h - the keyboard, sampled once per tick: is a key held, has it just
// been let go. Keys are the scan codes of input/key_codes.h.
// Owns: the last state read and the release marks. Reads through the installed
// InputSource (input/input_source.h).
// Threads: the main thread only.
#pragma once

#include <cstdint>

#include "input/input.h"
#include "input/input_source.h"

class Keyboard {
 public:
  int32_t Init();
  int32_t Examine();
  int32_t KeyDown(int32_t key) const;
  int32_t KeyReleased(int32_t key);
  void Shutdown();

  // 0 = not opened; 1 = opened, the next examine reads again; 2 = the last read worked.
  int32_t mode() const { return mode_; }

 private:
  bool ReleasedOnce(int32_t key);

  int32_t mode_ = 0;
  KeySnapshot keys_{};   // bit 7 set = down, by key code
  KeySnapshot marks_{};  // 1 = seen down by KeyReleased and not yet reported released
};

Keyboard& TheKeyboard();
