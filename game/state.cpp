#include "game/state.h"

#include <new>

#include "runtime/threads.h"

GameGlobals& Game() {
  // Never destroyed: the process may end from any thread while the stalker thread still
  // reads the state.
  static auto* globals = new GameGlobals;
  return *globals;
}

void ClearGameGlobals() {
  GameGlobals& g = Game();
  g.~GameGlobals();
  new (&g) GameGlobals;
}

namespace {

void InitialiseThreadVars(void* block) {
  static_cast<GameThreadVars*>(block)->cueSlotLast = 256;
}

}  // namespace

void GameThreadVarsStart() {
  ThreadBlockStart({sizeof(GameThreadVars), InitialiseThreadVars, nullptr});
  // A second run in one process (tests) starts the main thread's scratch afresh too.
  ThreadVars() = GameThreadVars{};
  InitialiseThreadVars(&ThreadVars());
}

GameThreadVars& ThreadVars() {
  return ThreadBlockAs<GameThreadVars>();
}
