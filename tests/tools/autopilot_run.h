// One whole autopilot run of a seed through quelmire-sim: the world from --world, the
// start of play from a short first run, the planned script, and the run itself.
#pragma once

#include <cstdint>
#include <string>

#include "autopilot.h"

struct PilotOutcome {
  bool planned = false;  // the autopilot found a path to every page
  std::string failure;   // the planner's reason, when not planned
  std::string cause;     // the exit line's cause: "outro", "death", "time" ...
  int status = -1;       // the tool's exit status
  int pages = 0;         // pages taken in the run
  uint64_t exitMs = 0;   // the exit line's ms
  uint64_t lastTakeMs = 0;
  bool outroHeard = false;
  std::string error;  // what went wrong around the run itself (not the game)
};

// Runs seed `seed` with the trace written to `tracePath` (the planned script goes beside it).
PilotOutcome RunAutopilot(int32_t seed, const std::string& tracePath,
                          int runFromPage = kRunFromPage,
                          const LegWeights& legWeights = kShortestRound);
