// The player's keys and mouse, once per tick.
#include <cmath>

#include "audio/sound.h"
#include "game/game.h"
#include "game/game_math.h"
#include "game/rules.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/runtime.h"

namespace {

void JumpIntoTunnel() {
  GameGlobals& g = Game();
  g.player.x = g.tunnel.xMin + 1.0f;
  g.player.y = g.tunnel.yMin + 1.0f;
}

// Takes every page within reach, each with its own cue.
void TakePages() {
  GameGlobals& g = Game();
  Player& p = g.player;
  for (int32_t i = 1; i <= kPageCount; ++i) {
    Page& page = g.pages[i];
    if (page.active == 0 || Distance(p.x, p.y, page.x, page.y) >= rules::kPageReach) continue;
    page.active = 0;
    g.pagesCollected += 1;
    Events().PageTaken(i, g.pagesCollected);
    PlayCue("physics/note_take", kCentred, p.x, p.y, kOnce);
  }
}

// Heard where a source toward -y lies: 5 units "south" of the player.
void PlayCompass() {
  GameGlobals& g = Game();
  g.compassLatch = 1;
  PlayCue("player/compass", kPositioned, g.player.x, g.player.y - rules::kCompassDistance, kOnce);
}

void HandleCompass() {
  GameGlobals& g = Game();
  bool standing = g.player.direction == kNoDirection;
  if (MouseButton(kMouseRight) != 0 && g.compassLatch == 0 && standing) PlayCompass();
  if (MouseButton(kMouseRight) == 0 && KeyDown(kKeyLeftControl) == 0 && g.compassLatch == 1) {
    g.compassLatch = 0;
  }
  if (KeyDown(kKeyLeftControl) != 0 && g.compassLatch == 0 && standing) PlayCompass();
}

void HandleRunning() {
  Player& p = Game().player;
  if (KeyDown(kKeyLeftShift) != 0 && p.stamina > rules::kRunStartsAbove) p.running = 1;
  if (KeyReleased(kKeyLeftShift)) p.running = 0;
}

void ShowCoordinates() {
  Player& p = Game().player;
  ErrorBox("Coords", FloatToString(p.x) + "," + FloatToString(p.y));
}

[[noreturn]] void Quit() {
  GameGlobals& g = Game();
  SoundStop(g.ambienceBed);
  SoundFree(g.ambienceBed);
  g.endCause = EndCause::kEscape;
  ShutdownProgram();
}

void WalkAndTurn() {
  if (KeyDown(kKeyA)) StrafeLeft();
  if (KeyDown(kKeyD)) StrafeRight();
  if (KeyDown(kKeyW)) MoveForward();
  if (KeyDown(kKeyS)) MoveBackward();
  if (KeyDown(kKeyLeft)) TurnLeft(rules::kTurnDegrees);
  if (KeyDown(kKeyRight)) TurnRight(rules::kTurnDegrees);
}

void TurnByMouse() {
  int32_t d = MouseDeltaX();
  int32_t n = RoundHalfEven(std::fabs(d / rules::kMouseCountsPerDegree));
  if (d < 0) TurnLeft(n);
  if (d > 0) TurnRight(n);
  // Back to the same spot each tick, so that the next tick's movement is counted from it.
  constexpr int32_t kMouseHome = 500;
  MouseLocate(kMouseHome, kMouseHome);
}

}  // namespace

void HandleCommands() {
  GameGlobals& g = Game();
  if (KeyReleased(kKeyT)) JumpIntoTunnel();
  // The Space release is consulted only while the left button is up.
  if (MouseButton(kMouseLeft) != 0 || KeyReleased(kKeySpace) == 1) TakePages();
  HandleCompass();
  HandleRunning();
  if (KeyReleased(kKeyC)) ShowCoordinates();
  if (KeyDown(kKeyEscape)) Quit();
  WalkAndTurn();
  if (g.mouseAvailable > 0) TurnByMouse();
}
