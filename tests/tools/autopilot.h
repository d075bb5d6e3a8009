// The autopilot of the whole-run tests: from a world (as --world prints it) and the
// virtual ms at which play begins, plans a walk to each page around the obstacles and
// writes the input script that turns with the arrow keys, walks with W and takes each
// page with Space. It plays blind: the stalker is not looked at.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "json_lite.h"

struct Box {
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;  // world units
};

struct PilotWorld {
  std::vector<Box> obstacles;  // obstacles 1..100
  Box tunnel;
  std::array<std::array<double, 2>, 8> pages{};  // pages 1..8: x, y
  double playerX = 0, playerY = 0;
};

// From the --world line (or a trace's "play" event's "world").
PilotWorld PilotWorldFromJson(const Json& world);

struct PilotPlan {
  bool complete = false;    // a path to every page was found
  std::string failure;      // why not, when not
  std::vector<int> order;   // pages in the order they are visited, 1..8
  std::string script;       // the input script, absolute virtual ms
  uint64_t lastTakeMs = 0;  // when the last page is taken, by the plan
  double walked = 0;        // world units of walking planned
};

// What a unit of the round's way costs, by the pages held while it is walked. Alike, the
// round is the shortest; the stalker grows bolder with every page, so a round can instead
// leave the short legs for last (the ear player's weights, tools/earbot/page_order.py).
using LegWeights = std::array<double, 8>;
inline constexpr LegWeights kShortestRound = {1, 1, 1, 1, 1, 1, 1, 1};
inline constexpr LegWeights kShortLegsLast = {0.1, 0.1, 0.1, 0.2, 0.5, 2, 4, 6};

// `playStartMs`: the "ms" of the trace's "play" event (ticks come 17 ms apart after it).
// Left Shift is held once `runFromPage` pages are taken (0: from the start; 8: never), so
// that the player runs whenever stamina allows from then on.
inline constexpr int kRunFromPage = 0;
PilotPlan PlanPages(const PilotWorld& world, uint64_t playStartMs, int runFromPage = kRunFromPage,
                    const LegWeights& legWeights = kShortestRound);
