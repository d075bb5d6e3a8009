// platform/platform.h - the platform layer: time, the game window and its event pump,
// error boxes and their spoken text, the black windowed screen and the desktop query.
// Owns: DelayMs and ElapsedMs (through the runtime's clock seam), the window table and
// runtime event queue, the screen state and the desktop list. Everything that touches
// the operating system goes through the installed WindowSystem
// (platform/window_system.h), which a host provides.
// Threads: timing from any thread; windows, screen and desktops from the main thread.
// Depends on: runtime.
#pragma once

#include "platform/desktop.h"
#include "platform/screen.h"
#include "platform/speech.h"
#include "platform/spoken_text.h"
#include "platform/timing.h"
#include "platform/window.h"
#include "platform/window_system.h"
