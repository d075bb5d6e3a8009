#include "game/game_exit.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<ProcessExit> installed{nullptr};

}  // namespace

void ExitProcess(int32_t code) {
  ProcessExit exit = installed.load(std::memory_order_acquire);
  if (exit != nullptr) exit(code);
  std::exit(code);
}

void InstallProcessExit(ProcessExit exit) {
  installed.store(exit, std::memory_order_release);
}
