// platform/platform.h - the platform layer: time now; the window, screen, event pump,
// desktop query and message boxes join it with their hosts.
// Owns: DelayMs and ElapsedMs, read through the runtime's clock seam so that a host
// can give virtual time.
// Threads: any thread.
// Depends on: runtime.
#pragma once

#include "platform/timing.h"
