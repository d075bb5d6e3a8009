// input/keyboard.h - the keyboard, sampled once per tick: is a key held, has it just
// been let go. Keys are the scan codes of input/key_codes.h.
// Owns: the last state read and the release marks. Reads through the installed
// InputSource (input/input_source.h).
// Threads: the main thread only.
#pragma once

#include <cstdint>

#include "input/input_source.h"
#include "input/key_codes.h"

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

// Opens the keyboard. Nonzero on success (also when already open); 0 when there is no
// connection to a window system to read keys from.
int32_t KeyboardInit();

// Reads every key's state. 1 when read; 0 when it cannot be read (the game window does
// not have the keyboard focus): then every answer is 0 until a later examine reads.
int32_t KeyboardExamine();

// For a key code 0..255: 128 while the key is down, else 0. For -1: 1 when any key
// 0..254 is down, else 0. Any other value, or after a failed examine: 0.
int32_t KeyDown(int32_t key);

// 1 once when a key seen down by an earlier call is up now, else 0; a call that finds
// the key down marks it. -1 does this for every key 0..254 and returns 1 when any was
// released, consuming all of them. After a failed examine: 0, marks unchanged.
int32_t KeyReleased(int32_t key);

// End step: closes the keyboard.
void KeyboardShutdown();
