// Walking, turning, collisions and the player's per-tick update.
#include <algorithm>
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

// How far (x, y) lies outside the open square the player may stand in: 0 inside or on its
// border, else the sum of the overshoots on both axes.
double OutsideBy(float x, float y) {
  GameGlobals& g = Game();
  auto overshoot = [](double v, double high) {
    return v <= -1.0 ? -1.0 - v : std::max(v - high, 0.0);
  };
  return overshoot(x, g.fieldWidth) + overshoot(y, g.fieldHeight);
}

// Whether the player may go from `from` to `to`: into the open square, or, for a player
// already outside it, nearer to it. Nothing carries the player out of the field, and a
// player found outside can always walk back in.
bool KeepsToField(Position from, Position to) {
  if (WithinMoveBounds(to.x, to.y)) return true;
  return !WithinMoveBounds(from.x, from.y) && OutsideBy(to.x, to.y) < OutsideBy(from.x, from.y);
}

// Proposes a position `sign` x speed along `angle` (degrees, used as it is, negative
// included), tests the present one, and takes the proposal when clear and in the field
// (or, from outside it, nearer to it).
void Move(double angle, double sign) {
  Player& p = Game().player;
  Position candidate;
  candidate.y = Single(p.y + sign * p.speed * std::cos(Radians(angle)));
  candidate.x = Single(p.x + sign * p.speed * std::sin(Radians(angle)));
  int32_t clear = CheckCollisionAndPushBack(candidate);
  if (clear == 1 && KeepsToField({p.x, p.y}, candidate)) {
    p.x = candidate.x;
    p.y = candidate.y;
  }
}

// One collision detection: every 41st plays the knock at the player's position.
void CountHit(const char* knock) {
  GameGlobals& g = Game();
  g.hitCounter += 1;
  if (g.hitCounter >= rules::kKnockEvery) {
    PlayCue(knock, kPositioned, g.player.x, g.player.y, kOnce);
    g.hitCounter = 0;
  }
}

bool OnTunnelWall(float x, float y) {
  const ObstacleRect& t = Game().tunnel;
  if (!(t.xMin < x && x < t.xMax)) return false;
  int32_t band = FloatToInt(y);
  return band == FloatToInt(t.yMin) || band == FloatToInt(t.yMax);
}

// One step from the player against the previous tick's direction of travel; with no
// movement last tick, the calling move's `candidate` as it is.
Position PushBack(Position candidate) {
  Player& p = Game().player;
  double s = p.speed, h = p.heading;
  switch (p.direction) {
    case kForward:
      return {Single(p.x - s * std::sin(Radians(h))), Single(p.y - s * std::cos(Radians(h)))};
    case kBackward:
      return {Single(p.x + s * std::sin(Radians(h))), Single(p.y + s * std::cos(Radians(h)))};
    case kStrafingLeft:
      return {Single(p.x - s * std::sin(Radians(h - 90))),
              Single(p.y - s * std::cos(Radians(h - 90)))};
    case kStrafingRight:
      return {Single(p.x + s * std::sin(Radians(h - 90))),
              Single(p.y + s * std::cos(Radians(h - 90)))};
    case kNoDirection:
      break;
  }
  return candidate;
}

[[noreturn]] void Die() {
  Player& p = Game().player;
  SoundStop(kAllSounds);
  PlayCue("player/death", kCentred, p.x, p.y, kOnce);
  Events().Death(p.x, p.y);
  DelayMs(rules::kDeathHoldMs);
  Game().endCause = EndCause::kDeath;
  ShutdownProgram();
}

Direction DirectionOfKeys() {
  if (KeyDown(kKeyW)) return kForward;
  if (KeyDown(kKeyA)) return kStrafingLeft;
  if (KeyDown(kKeyS)) return kBackward;
  if (KeyDown(kKeyD)) return kStrafingRight;
  return kNoDirection;
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
      PlayCue("terrain/grass" + IntToString(RandomRange(5) + 1), kCentred, x, y, kOnce);
    }
    if (cell == kTerrainTunnel) {
      PlayCue("terrain/tunnel" + IntToString(RandomRange(5) + 1), kCentred, x, y, kOnce);
    }
  } else {
    PlayCue("steps/fence", kCentred, x, y, kOnce);
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

int32_t CheckCollisionAndPushBack(Position candidate) {
  GameGlobals& g = Game();
  float x = g.player.x, y = g.player.y;
  bool clear = true;
  // From obstacle 0, which is never drawn: nothing is inside its empty rectangle.
  for (int32_t o = 0; o <= g.obstacleCount; ++o) {
    const ObstacleRect& r = g.obstacles[o];
    if (!IsInside(x, y, r.xMin, r.xMax, r.yMin, r.yMax)) continue;
    CountHit("physics/hit_wood");
    clear = false;
  }
  if (OnTunnelWall(x, y)) {
    CountHit("physics/hit_wall");
    clear = false;
  }
  if (clear) return 1;
  // A push-back that would leave the field is not made: an obstacle reaching past the
  // edge would otherwise carry a player walking back through it out of the field, where
  // every move is refused. The player stays put until its keys push it back inward.
  Position back = PushBack(candidate);
  if (KeepsToField({x, y}, back)) {
    g.player.x = back.x;
    g.player.y = back.y;
  }
  return 0;
}

void UpdatePlayer() {
  GameGlobals& g = Game();
  Player& p = g.player;
  if (Distance(g.stalker.x, g.stalker.y, p.x, p.y) < rules::kKillDistance) Die();

  p.direction = DirectionOfKeys();
  if (p.direction != kNoDirection) {
    p.stepCounter += 1;
    int32_t stepInterval = p.running == 1 ? g.runStepInterval : g.walkStepInterval;
    if (p.stepCounter > stepInterval) Footstep();
  }

  SetBreathingVolume();

  if (p.stamina < rules::kStaminaCap) p.stamina = Single(p.stamina + rules::kStaminaGainPerTick);
  if (p.running == 1 && p.direction != kNoDirection)
    p.stamina = Single(p.stamina - rules::kRunCostPerTick);
  if (p.stamina < rules::kRunStopsBelow) p.running = 0;
  p.speed = p.running == 1 ? rules::kRunSpeed : rules::kWalkSpeed;
}
