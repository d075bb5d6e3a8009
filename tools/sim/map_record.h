// tools/sim/map_record.h - what the map shows: the world of the run, the pages taken,
// the player's path and the stalker's appearances and paths, gathered as the run goes.
// Threads: a plain record; its owner guards it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "game/state.h"

struct MapPoint {
  float x = 0, y = 0;  // world units
};

struct MapPage {
  MapPoint at;
  bool taken = false;
};

struct MapRecord {
  bool hasWorld = false;  // false until play begins (or the world is built)
  std::optional<int32_t> seed;
  int32_t fieldWidth = 150, fieldHeight = 150;  // world units
  ObstacleRect tunnel;
  ObstacleRect keepOut;
  std::vector<ObstacleRect> obstacles;  // obstacles 1..100
  std::array<MapPage, 8> pages;         // pages 1..8
  MapPoint start;                       // where the player was placed
  std::vector<MapPoint> playerPath;     // thinned: consecutive points apart by kPathStep
  std::vector<std::vector<MapPoint>> stalkerPaths;  // one per appearance, first = appearance
  std::vector<MapPoint> vanishings;
  std::optional<MapPoint> death;

  // Takes the world from the game state (after GenerateWorld and PlacePlayer).
  void TakeWorld();
  // Adds a point to a path unless it lies within kPathStep of the path's last point.
  static void Extend(std::vector<MapPoint>& path, MapPoint point);
};

// World units between kept path points: a tenth of a unit is finer than the picture.
inline constexpr float kPathStep = 0.25f;
