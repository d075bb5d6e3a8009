// game/game_exit.h - the one way the game leaves the process, behind a seam so that the
// simulator can flush what it writes and tests can see the exit.
// Threads: the thread running the end sequence.
#pragma once

#include <cstdint>

// The process's exit status for each way out: 0 when the game began and ended (Escape,
// death, the outro); kExitStartUpFailed when it never began (a device or the sound folder
// missing), so that a launcher, a script or a package test can tell.
inline constexpr int32_t kExitStartUpFailed = 1;

// Leaves the process with `code`; never returns. The default is std::exit.
using ProcessExit = void (*)(int32_t code);
[[noreturn]] void ExitProcess(int32_t code);
// Installs `exit` (nullptr restores std::exit). The installed function must not return.
void InstallProcessExit(ProcessExit exit);
