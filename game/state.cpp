#include "game/state.h"

#include "runtime/threads.h"

GameGlobals& Game() {
  // Never destroyed: the process may end from any thread while the stalker thread still
  // reads the state.
  static auto* globals = new GameGlobals;
  return *globals;
}

namespace {

void InitialiseThreadVars(void* block) {
  static_cast<GameThreadVars*>(block)->cueSlotLast = 256;
}

}  // namespace

void GameThreadVarsStart() {
  ThreadBlockStart({sizeof(GameThreadVars), InitialiseThreadVars, nullptr});
}

GameThreadVars& ThreadVars() {
  return ThreadBlockAs<GameThreadVars>();
}
