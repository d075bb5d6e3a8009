#include "game/game_exit.h"

#include <cstdlib>

#include "runtime/seam.h"

namespace {

// Holds the installed function; with none, std::exit.
Seam<void(int32_t)> exitSeam;

}  // namespace

void ExitProcess(int32_t code) {
  if (ProcessExit exit = exitSeam.Installed()) exit(code);
  std::exit(code);
}

void InstallProcessExit(ProcessExit exit) {
  exitSeam.Install(exit);
}
