#include "game/state.h"

#include <mutex>
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

void GameThreadVarsStart() {
  // The layout is set once per process: a stalker thread of an earlier run in the same
  // process (tests) may still be releasing its block by it.
  static std::once_flag layoutSet;
  std::call_once(layoutSet, [] { ThreadBlockStart({sizeof(GameThreadVars), nullptr, nullptr}); });
  // A second run in one process starts the main thread's block afresh too.
  ThreadVars() = GameThreadVars{};
}

GameThreadVars& ThreadVars() {
  return ThreadBlockAs<GameThreadVars>();
}
