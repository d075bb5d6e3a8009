// Programs the window and speech tests start beside themselves: servers that run
// quietly until the test ends, and the player who dismisses a box from outside.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Starts `words` (a program found on PATH, then its arguments) with its output thrown
// away; it gets SIGTERM should this process die first. `closeInChild` is a descriptor of
// ours the program must not inherit, or -1. Returns its id, or -1 when it could not start.
pid_t StartQuietServer(std::vector<std::string> words, int closeInChild = -1);

// The player, from outside: a separate program that waits for the box captioned
// `caption` and presses Return in it until it goes. A process of its own, not a thread:
// SDL shows a box from a process it forks, and a fork must not catch another thread of
// ours inside the X library. Returns its id; it exits 0 once the box went, 1 when none
// appeared within 20 s.
pid_t DismissBoxFromOutside(const std::string& caption);

// Waits for `child` and tells whether it exited with status 0.
bool ExitedCleanly(pid_t child);
