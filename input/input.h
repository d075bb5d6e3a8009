// input/input.h - the input layer as the game calls it: the keyboard sampled once per
// tick with held and released tests, and the optional mouse.
// Owns: the keyboard state and release marks, the mouse state (input/keyboard.h,
// input/mouse.h). Reads the devices through the InputSource a host installs
// (input/input_source.h, the layer's start-up header).
// Threads: the main thread only.
// Depends on: platform (the screen's size and its close notice), runtime.
#pragma once

#include <cstdint>

#include "input/key_codes.h"

// ---- keyboard ----

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

// ---- mouse ----

// 1 when a mouse exists, else 0. Only the first call does the work; later calls return
// its result.
int32_t MouseInit();

// Sums the movement of the events buffered since the last examine into the deltas
// (cleared first, whatever happens). 1 when read; 0 when the window is not in front,
// or when more than 24 events arrived (their movement is lost, buttons 1 and 2 are
// released).
int32_t MouseExamine();

// Horizontal movement of the last examine, device units; + = right.
int32_t MouseDeltaX();

// Sets the virtual pointer; the next successful examine clamps it into the screen.
void MouseLocate(int32_t x, int32_t y);

// 1 while button n (1 left, 2 right, 3 middle) is pressed, else 0; other n: 0.
int32_t MouseButton(int32_t n);
inline constexpr int32_t kMouseLeft = 1;
inline constexpr int32_t kMouseRight = 2;

// End step: releases the pointer and the mouse; a later MouseInit starts afresh.
void MouseShutdown();
