#include "game/game_events.h"

#include "runtime/seam.h"

namespace {

// The default, a GameEvents itself, hears everything and does nothing.
Seam<GameEvents> observerSeam;

}  // namespace

GameEvents& Events() {
  return observerSeam.Current();
}
void InstallGameEvents(GameEvents* observer) {
  observerSeam.Install(observer);
}
