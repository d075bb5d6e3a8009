// A whole run of the game program on the headless host, inside the test process: the
// end sequence's exit becomes an exception caught here, and an observer records what
// the game reports, with the virtual time of each report.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/game_events.h"
#include "host/headless/headless_host.h"
#include "host/headless/recorded_window.h"

struct RecordedCue {
  uint64_t ms;
  CueReport report;
};

struct GameRun {
  bool exited = false;  // the end sequence ran and left through the exit seam
  int32_t exitCode = -1;
  EndCause cause = EndCause::kStartup;
  uint64_t endMs = 0;            // virtual ms at the exit
  uint64_t playStartMs = 0;      // when the main loop began (0: never)
  std::vector<uint64_t> tickMs;  // virtual ms at the end of each tick
  std::vector<RecordedCue> cues;
  std::vector<int32_t> layers;  // atmosphere layers started, in order
  uint64_t outroMs = 0;
  std::vector<RecordedBox> boxes;
  std::vector<std::string> trace;
  // What the game reported, in order: "cue NAME", "layer N", "tick N", "outro".
  std::vector<std::string> log;
};

struct GameRunSetUp {
  HeadlessOptions options;
  std::string script;  // the input script
  int32_t seed = 12345;
  bool soundDevice = true;  // false: no audio output, SoundInit fails
  // Runs on the main thread when play begins (after the world, before the first tick).
  std::function<void(HeadlessHost&)> atPlayStart;
  // Runs on the main thread at the end of every tick.
  std::function<void(HeadlessHost&, int64_t tick)> atTickEnd;
  // Told every step of virtual time [fromMs, toMs), on whichever thread runs.
  std::function<void(uint64_t fromMs, uint64_t toMs)> atTimeStep;
};

// Runs the program from its entry to its end. The working folder must hold assets/.
GameRun RunGameProgram(const GameRunSetUp& setUp);

// Changes to the folder holding the generated assets (once per process).
void EnterRunFolder();
