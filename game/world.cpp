// The world: its one-time generation, the player's start, and the two helpers every
// game procedure uses.
#include <cmath>

#include "audio/sound.h"
#include "game/game.h"
#include "game/game_math.h"
#include "game/rules.h"
#include "game/state.h"
#include "platform/platform.h"
#include "runtime/runtime.h"

namespace {

bool IsInsideRect(float x, float y, const ObstacleRect& rect) {
  return IsInside(x, y, rect.xMin, rect.xMax, rect.yMin, rect.yMax);
}

// A square of side `size` at whole-number coordinates drawn x then y; it may stick out of
// the field.
void DrawObstacle(ObstacleRect& obstacle, int32_t size) {
  GameGlobals& g = Game();
  obstacle.xMin = static_cast<float>(RandomNext(g.fieldWidth));
  obstacle.xMax = obstacle.xMin + static_cast<float>(size);
  obstacle.yMin = static_cast<float>(RandomNext(g.fieldHeight));
  obstacle.yMax = obstacle.yMin + static_cast<float>(size);
}

// A rectangle of `width` by `height` placed wholly inside the field.
void DrawRectInField(ObstacleRect& rect, int32_t width, int32_t height) {
  GameGlobals& g = Game();
  rect.xMin = static_cast<float>(RandomNext(g.fieldWidth - width));
  rect.xMax = rect.xMin + static_cast<float>(width);
  rect.yMin = static_cast<float>(RandomNext(g.fieldHeight - height));
  rect.yMax = rect.yMin + static_cast<float>(height);
}

void LayTunnelGround() {
  GameGlobals& g = Game();
  for (int32_t i = RoundHalfEven(g.tunnel.xMin); i <= RoundHalfEven(g.tunnel.xMax); ++i) {
    for (int32_t j = RoundHalfEven(g.tunnel.yMin); j <= RoundHalfEven(g.tunnel.yMax); ++j) {
      g.terrainMap.At({static_cast<size_t>(i), static_cast<size_t>(j)}) = kTerrainTunnel;
    }
  }
}

// Page k's candidate is clear of earlier pages, obstacles and the keep-out area.
bool PageSpotClear(int32_t k) {
  GameGlobals& g = Game();
  Page& page = g.pages[k];
  bool clear = true;
  for (int32_t j = 1; j <= k - 1; ++j) {
    if (Distance(g.pages[j].x, g.pages[j].y, page.x, page.y) < 40) clear = false;
  }
  for (int32_t o = 1; o <= g.obstacleCount; ++o) {
    if (IsInsideRect(page.x, page.y, g.obstacles[o])) {
      clear = false;
      break;
    }
  }
  if (IsInsideRect(page.x, page.y, g.keepOutArea)) clear = false;
  // The tunnel is not tested: a page may lie in it.
  return clear;
}

void PlacePages() {
  GameGlobals& g = Game();
  int32_t k = 1;
  while (k <= kPageCount) {
    Page& page = g.pages[k];
    if (page.active == 0) {
      page.x = static_cast<float>(RandomNext(g.fieldWidth));
      page.y = static_cast<float>(RandomNext(g.fieldHeight));
      if (PageSpotClear(k)) {
        page.active = 1;
        ++k;
      }
    }
    WindowPollEvent(1);
  }
}

bool PlayerSpotRefused(float x, float y) {
  GameGlobals& g = Game();
  for (int32_t o = 1; o <= g.obstacleCount; ++o) {
    if (IsInsideRect(x, y, g.obstacles[o])) return true;
  }
  return IsInsideRect(x, y, g.tunnel) || IsInsideRect(x, y, g.keepOutArea);
}

}  // namespace

void StartGame() {
  SetGameStartValues();
  GenerateWorld();
  PlacePlayer();
  MainLoop();
}

void SetGameStartValues() {
  GameGlobals& g = Game();
  g.stalker.appearChance = 1000;
  g.stalker.active = 0;
  g.stalker.moveChance = 20;

  Player& p = g.player;
  p.speed = rules::kStartSpeed;
  p.stepCounter = 0;
  p.heading = 0;
  p.running = 0;
  p.stamina = rules::kStartStamina;
  p.x = 0;
  p.y = 0;

  for (int32_t o = 0; o <= g.obstacleCount; ++o) g.obstacles[o] = ObstacleRect{};
  for (int32_t k = 1; k <= kPageCount; ++k) g.pages[k].active = 0;
  g.tunnel = ObstacleRect{};
  g.keepOutArea = ObstacleRect{};
}

void GenerateWorld() {
  GameGlobals& g = Game();
  for (int32_t i = 0; i <= g.fieldWidth; ++i) {
    for (int32_t j = 0; j <= g.fieldHeight; ++j) {
      g.terrainMap.At({static_cast<size_t>(i), static_cast<size_t>(j)}) = kTerrainGrass;
    }
  }
  for (int32_t k = 1; k <= g.obstacleCount; ++k) DrawObstacle(g.obstacles[k], g.obstacleSize);
  DrawRectInField(g.tunnel, g.tunnelLength, g.tunnelWidth);
  DrawRectInField(g.keepOutArea, g.keepOutWidth, g.keepOutHeight);
  LayTunnelGround();
  PlacePages();
  LoadGameSounds();
}

void PlacePlayer() {
  GameGlobals& g = Game();
  for (;;) {
    // Restarted, barely audible, with every spot tried; SetBreathingVolume sets it per tick.
    SoundPlay(g.breathSound, kLooped, 1);
    float x = static_cast<float>(RandomRange(g.fieldWidth));
    float y = static_cast<float>(RandomRange(g.fieldHeight));
    g.player.x = x;
    g.player.y = y;
    if (!PlayerSpotRefused(x, y)) return;
  }
}

int32_t RandomRange(int32_t n) {
  RandomNext(100);
  RandomNext(256);
  return RandomNext(n);
}

int32_t Distance(float x1, float y1, float x2, float y2) {
  double dx = static_cast<double>(x1) - static_cast<double>(x2);
  double dy = static_cast<double>(y1) - static_cast<double>(y2);
  return FloatToInt(std::sqrt(dx * dx + dy * dy));
}

bool WithinMoveBounds(float x, float y) {
  GameGlobals& g = Game();
  return -1.0f < x && x < static_cast<float>(g.fieldWidth) && -1.0f < y &&
         y < static_cast<float>(g.fieldHeight);
}

bool IsInside(float x, float y, float xMin, float xMax, float yMin, float yMax) {
  return xMin < x && x < xMax && yMin < y && y < yMax;
}
