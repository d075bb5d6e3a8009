// game/state.h - the game's state: its globals, records and arrays, and the per-thread
// block with the cue cursor.
// Owns: everything the game keeps for the whole run. Zero at start; start-up gives the
// globals their start values and dimensions the arrays (game/startup.cpp).
// Threads: the main thread writes everything here except the Stalker record, which the
// stalker thread alone writes once the stalker thread runs. Fields read across threads
// are Relaxed (game/relaxed.h); each says who writes and who reads it. The cue ring is
// guarded by cueLock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "game/game_events.h"
#include "game/relaxed.h"
#include "runtime/arrays.h"

// ---- records ---------------------------------------------------------------------

// A place in the world, world units: what a move or a stalker step proposes.
struct Position {
  float x = 0, y = 0;
};

// A rectangle of the world; a point is inside when strictly between both pairs.
struct ObstacleRect {
  float xMin = 0, xMax = 0;  // world units
  float yMin = 0, yMax = 0;
};

// The movement key found held this tick, tested in the order W, A, S, D.
enum Direction : int32_t {
  kNoDirection = 0,
  kForward = 1,       // W
  kBackward = 2,      // S
  kStrafingLeft = 3,  // A
  kStrafingRight = 4  // D
};

struct Player {
  Relaxed<float> x = 0, y = 0;         // world units, -1 .. 150; read by the stalker thread
  Relaxed<int32_t> heading = 0;        // whole degrees 0..359; 0 faces +y, 90 faces +x
  int32_t running = 0;                 // 1 while running
  float speed = 0;                     // world units per move, per tick
  int32_t stepCounter = 0;             // ticks with a movement key held since the last footstep
  Direction direction = kNoDirection;  // read by a push-back on the next tick
  float stamina = 0;                   // 1.7 .. 101.2
};

// Written by the stalker thread (and by StartGame before that thread starts); read by
// the main thread every tick.
struct Stalker {
  Relaxed<float> x = 0, y = 0;        // world units
  Relaxed<float> speed = 0;           // world units per step of a burst
  Relaxed<int32_t> moveChance = 0;    // a burst starts when RandomNext(moveChance) = 1
  Relaxed<int32_t> heading = 0;       // whole degrees of the last step
  Relaxed<int32_t> active = 0;        // 1 while present in the field
  Relaxed<int32_t> appearChance = 0;  // it appears when RandomNext(appearChance) = 1
};

// One slot of the ring of recently started cues; guarded by cueLock.
struct CueSlot {
  int32_t placement = 0;  // kCentred (1): at full volume; kPositioned (0): mixed by position
  int32_t sound = 0;      // sound number; 0 never used or the load failed
  std::string name;       // the cue name, e.g. "terrain/grass3"
  float x = 0, y = 0;     // source position, world units
};

inline constexpr int32_t kPageCount = 8;  // pages 1..8 of the pages array

struct Page {
  float x = 0, y = 0;    // whole-number world position
  std::string text;      // never used by the game
  int32_t active = 0;    // 1 while the page lies in the field
  int32_t cueTimer = 0;  // ticks since its last hint, 0..250
};

// ---- globals (main thread unless said otherwise) -------------------------------------

struct GameGlobals {
  // Start-up values; written once before the stalker thread starts, read by both.
  int32_t fieldWidth = 0, fieldHeight = 0;      // world units (150)
  int32_t obstacleCount = 0;                    // 100
  int32_t obstacleSize = 0;                     // 3
  int32_t tunnelLength = 0, tunnelWidth = 0;    // 20 along x, 5 along y
  int32_t keepOutWidth = 0, keepOutHeight = 0;  // 10 along x, 5 along y
  int32_t audibleRange = 0;                     // 100 world units
  int32_t ambienceInterval = 0;                 // 100 ticks
  int32_t walkStepInterval = 0;                 // 30 ticks
  int32_t runStepInterval = 0;                  // 15 ticks

  int32_t ambienceCounter = 0;  // ticks since the last ambient noise, 0..101
  Relaxed<int32_t> pagesCollected =
      0;                       // 0..kPageCount; written by the main thread, read by the stalker
  int32_t hitCounter = 0;      // collision detections since the last knock
  int32_t compassLatch = 0;    // 1 from a compass cue until both controls are up
  int32_t pageAnnounced = 0;   // 1 from a page's own sound until every page is 3 away
  int32_t mouseAvailable = 0;  // MouseInit's result

  // Sound numbers kept for the whole run; 0 when not loaded.
  int32_t titleSound = 0, introSound = 0, outroSound = 0;
  int32_t ambienceBed = 0;  // stopped and freed on Escape
  int32_t breathSound = 0;
  // Loaded before the stalker thread starts; played, stopped and changed by it.
  int32_t staticOuter = 0, staticInner = 0, stalkerSound = 0;

  int32_t tickStart = 0;                   // ElapsedMs at the start of the current tick
  int32_t stalkerThread = 0;               // ThreadCreate's number; 0 when not started
  int64_t tickCount = 0;                   // ticks run so far
  EndCause endCause = EndCause::kStartup;  // set by whoever starts the end sequence

  Player player;
  Stalker stalker;
  ObstacleRect tunnel;
  ObstacleRect keepOutArea;

  Array<CueSlot> cueSlots;          // kCueSlotLast + 1: the cue ring, guarded by cueLock
  Array<int32_t> atmosphereLayers;  // 9: elements 1..4 the atmosphere layer sounds
  Array<int32_t> terrainMap;        // 152 x 152: 1 grass, 2 tunnel ground
  Array<Page> pages;                // kPageCount + 1: pages 1..kPageCount
  // 102: obstacles 1..100; obstacle 0 is never drawn, an empty rectangle nothing is inside
  Array<ObstacleRect> obstacles;

  // Held by PlayCue from its slot's recycle to the cue's start, and by the per-tick
  // re-mix, so that no slot's sound is freed while another thread uses it.
  std::mutex cueLock;
};

GameGlobals& Game();
// Back to all zero, as at the start of the process. Only while no other game thread runs.
void ClearGameGlobals();

// Terrain kinds of terrainMap.
inline constexpr int32_t kTerrainGrass = 1;
inline constexpr int32_t kTerrainTunnel = 2;

// The highest slot index of the cue ring (cueSlots holds 0..kCueSlotLast).
inline constexpr int32_t kCueSlotLast = 256;

// ---- per-thread state ---------------------------------------------------------------

// What each game thread keeps across calls, in the runtime's per-thread block
// (zero-filled): each thread walks the cue ring on its own.
struct GameThreadVars {
  int32_t cueCursor;  // the ring slot this thread used last, 0..kCueSlotLast
  int32_t isStalker;  // 1 on the stalker thread, for the cue reports
};

// Start-up: lays out the per-thread block and creates the main thread's.
void GameThreadVarsStart();
GameThreadVars& ThreadVars();
