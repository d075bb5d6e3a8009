#include "game/game_events.h"

#include <atomic>

namespace {

GameEvents& NoObserver() {
  static auto* none = new GameEvents;
  return *none;
}

std::atomic<GameEvents*> installed{nullptr};

}  // namespace

GameEvents& Events() {
  GameEvents* observer = installed.load(std::memory_order_acquire);
  return observer != nullptr ? *observer : NoObserver();
}

void InstallGameEvents(GameEvents* observer) {
  installed.store(observer, std::memory_order_release);
}
