// input/input.h - the input layer: the keyboard sampled once per tick with held and
// released tests, and the optional mouse.
// Owns: the keyboard state and release marks, the mouse state. Reads the devices
// through the installed InputSource (input/input_source.h), which a host provides.
// Threads: the main thread only.
// Depends on: platform (the screen's size and its close notice), runtime.
#pragma once

#include "input/input_source.h"
#include "input/key_codes.h"
#include "input/keyboard.h"
#include "input/mouse.h"
