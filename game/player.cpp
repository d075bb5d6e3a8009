// Walking, turning, collisions and the player's per-tick update.
#include <cmath>

#include "audio/sound.h"
#include "game/game.h"
#include "game/game_math.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/runtime.h"

namespace {

// Proposes a position `sign` x speed along `angle` (degrees, used as it is, negative
// included), tests the present one, and takes the proposal when clear and in the field.
void Move(double angle, double sign) {
  GameGlobals& g = Game();
  Player& p = g.player;
  GameThreadVars& v = ThreadVars();
  v.candidateY = Single(p.y + sign * p.speed * std::cos(Radians(angle)));
  v.candidateX = Single(p.x + sign * p.speed * std::sin(Radians(angle)));
  int32_t clear = CheckCollision();
  if (WithinMoveBounds(v.candidateX, v.candidateY) && clear == 1) {
    p.x = v.candidateX;
    p.y = v.candidateY;
  }
}

// One collision detection: every 41st plays the knock at the player's position.
void CountHit(const char* knock) {
  GameGlobals& g = Game();
  g.hitCounter += 1;
  if (g.hitCounter > 40) {
    PlayCue(knock, 0, g.player.x, g.player.y, 0);
    g.hitCounter = 0;
  }
  g.collisionClear = 0;
}

bool OnTunnelWall(float x, float y) {
  const ObstacleRect& t = Game().tunnel;
  if (!(t.xMin < x && x < t.xMax)) return false;
  int32_t band = FloatToInt(y);
  return band == FloatToInt(t.yMin) || band == FloatToInt(t.yMax);
}

// Sets the candidate one step against the previous tick's direction of travel.
void PushBack() {
  Player& p = Game().player;
  GameThreadVars& v = ThreadVars();
  double s = p.speed, h = p.heading;
  switch (p.direction) {
    case 1:
      v.candidateY = Single(p.y - s * std::cos(Radians(h)));
      v.candidateX = Single(p.x - s * std::sin(Radians(h)));
      break;
    case 2:
      v.candidateY = Single(p.y + s * std::cos(Radians(h)));
      v.candidateX = Single(p.x + s * std::sin(Radians(h)));
      break;
    case 3:
      v.candidateY = Single(p.y - s * std::cos(Radians(h - 90)));
      v.candidateX = Single(p.x - s * std::sin(Radians(h - 90)));
      break;
    case 4:
      v.candidateY = Single(p.y + s * std::cos(Radians(h - 90)));
      v.candidateX = Single(p.x + s * std::sin(Radians(h - 90)));
      break;
    default:  // no movement last tick: the calling move's candidate stands
      break;
  }
}

[[noreturn]] void Die() {
  Player& p = Game().player;
  SoundStop(-1);
  PlayCue("player/death", 1, p.x, p.y, 0);
  Events().Death(p.x, p.y);
  DelayMs(7000);
  Game().endCause = EndCause::kDeath;
  ShutdownProgram();
}

int32_t DirectionOfKeys() {
  if (KeyDown(kKeyW)) return 1;
  if (KeyDown(kKeyA)) return 3;
  if (KeyDown(kKeyS)) return 2;
  if (KeyDown(kKeyD)) return 4;
  return 0;
}

void Footstep() {
  GameGlobals& g = Game();
  Player& p = g.player;
  float x = p.x, y = p.y;
  if (0 < x && x < static_cast<float>(g.fieldWidth) && 0 < y &&
      y < static_cast<float>(g.fieldHeight)) {
    int32_t cell =
        g.terrainMap.At({static_cast<size_t>(FloatToInt(x)), static_cast<size_t>(FloatToInt(y))});
    if (cell == kTerrainGrass) {
      PlayCue("terrain/grass" + IntToString(RandomRange(5) + 1), 1, x, y, 0);
    }
    if (cell == kTerrainTunnel) {
      PlayCue("terrain/tunnel" + IntToString(RandomRange(5) + 1), 1, x, y, 0);
    }
  } else {
    PlayCue("steps/fence", 1, x, y, 0);
  }
  p.stepCounter = 0;
}

// The last applicable line wins; between 90 and 100 the volume stays as it was.
void SetBreathingVolume() {
  GameGlobals& g = Game();
  float stamina = g.player.stamina;
  if (stamina >= 100) SoundSetVolume(g.breathSound, 0);
  int32_t volume = -1;
  for (int32_t step = 1; step <= 9; ++step) {
    if (stamina < static_cast<float>(100 - 10 * step)) volume = 10 * step;
  }
  if (volume >= 0) SoundSetVolume(g.breathSound, volume);
}

}  // namespace

void MoveForward() {
  Move(Game().player.heading, +1);
}
void MoveBackward() {
  Move(Game().player.heading, -1);
}
void StrafeLeft() {
  Move(Game().player.heading - 90, +1);
}
void StrafeRight() {
  Move(Game().player.heading - 90, -1);
}

void TurnLeft(int32_t n) {
  Player& p = Game().player;
  p.heading = ((p.heading - n) % 360 + 360) % 360;
}

void TurnRight(int32_t n) {
  Player& p = Game().player;
  p.heading = (p.heading + n) % 360;
}

int32_t CheckCollision() {
  GameGlobals& g = Game();
  float x = g.player.x, y = g.player.y;
  g.collisionClear = 1;
  for (int32_t o = 0; o <= g.obstacleCount; ++o) {
    const ObstacleRect& r = g.obstacles[o];
    if (IsInside(x, y, r.xMin, r.xMax, r.yMin, r.yMax)) CountHit("physics/hit_wood");
  }
  if (OnTunnelWall(x, y)) CountHit("physics/hit_wall");
  if (g.collisionClear == 1) return 1;
  PushBack();
  g.player.x = ThreadVars().candidateX;
  g.player.y = ThreadVars().candidateY;
  return 0;
}

void UpdatePlayer() {
  GameGlobals& g = Game();
  Player& p = g.player;
  if (Distance(g.stalker.x, g.stalker.y, p.x, p.y) < 2) Die();

  p.direction = DirectionOfKeys();
  if (p.direction > 0) {
    p.stepCounter += 1;
    g.stepInterval = p.running == 1 ? g.runStepInterval : g.walkStepInterval;
    if (p.stepCounter > g.stepInterval) Footstep();
  }

  SetBreathingVolume();

  if (p.stamina < 101.0f) p.stamina = Single(p.stamina + 0.2);
  if (p.running == 1 && p.direction > 0) p.stamina = Single(p.stamina + -0.5);
  if (p.stamina < 2.0f) p.running = 0;
  p.speed = p.running == 1 ? 0.1f : 0.04f;
}
