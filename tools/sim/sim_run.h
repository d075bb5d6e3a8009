// tools/sim/sim_run.h - the simulator's two commands: a played run of the real game on the
// headless host, and the --world dump.
// Threads: the process's main thread, once per process.
#pragma once

#include "tools/sim/options.h"

// Exit status for a command line, script, asset folder or output file that cannot be used.
inline constexpr int kExitUsage = 2;
// Exit status when an output (trace, WAV, map, recorded script, the world's line) could
// not be written out whole, or a live client stopped reading.
inline constexpr int kExitOutputLost = 1;

// Prints the world's line (and writes the map when asked); returns the exit status.
int RunWorldCommand(const SimOptions& options);

// Plays the game; leaves the process when the game ends or the time limit is reached,
// after the trace, the WAV and the map are written out, or as soon as an output fails
// (kExitOutputLost, the failed file removed). Setup errors, every output path among them,
// print one line per fault on standard error and exit with kExitUsage before the run.
[[noreturn]] void RunGameCommand(const SimOptions& options);
