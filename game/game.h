// game/game.h - the game itself: start-up, title and intro, world, main loop, player,
// cues and their positional mix, stalker, commands, pages, ambience, and the end.
// Owns: the game state (game/state.h).
// Threads: the main thread runs ProgramEntry; the game starts its stalker thread itself.
// Depends on: audio, input, platform, runtime, through the operations they offer. A host
// must be installed first (the real program's or the headless one).
#pragma once

#include <cstdint>
#include <string>

#include "game/mix.h"
#include "game/state.h"

// The program: start-up, title and intro, play; never returns (every end leaves the
// process through ExitProcess: code 0 after play, kExitStartUpFailed when start-up failed).
[[noreturn]] void ProgramEntry();

// ---- procedures, by the concern that owns them ---------------------------------------

// game/startup.cpp
void SetStartGlobals();  // the globals' start values and the five arrays
void OpenGameWindow();   // the desktop-sized black window and its screen
[[noreturn]] void ShutdownProgram();
void RuntimeEnd();

// game/title.cpp
void TitleAndIntro();

// game/world.cpp
[[noreturn]] void StartGame();
void SetGameStartValues();  // the first three steps of StartGame
void GenerateWorld();
void PlacePlayer();
// RandomNext(n), after two draws thrown away: every world and run of a seed rests on them.
int32_t RandomRange(int32_t n);
int32_t Distance(float x1, float y1, float x2, float y2);
bool IsInside(float x, float y, float xMin, float xMax, float yMin, float yMax);
// Where a move may take the player or the stalker: strictly between -1 and the field's size.
bool WithinMoveBounds(float x, float y);

// game/main_loop.cpp
[[noreturn]] void MainLoop();
void RunTick();
void CheckPageMilestones();
[[noreturn]] void PlayOutro();

// game/player.cpp
void MoveForward();
void MoveBackward();
void StrafeLeft();
void StrafeRight();
void TurnLeft(int32_t n);
void TurnRight(int32_t n);
// Tests the player where it stands: 1 when clear; on a collision (0) puts it one step back
// against last tick's direction, or at `candidate` when it did not move last tick.
int32_t CheckCollisionAndPushBack(Position candidate);
void UpdatePlayer();

// game/cues.cpp
// PlayCue's `placement`: mixed by the source's position, or centred at full volume.
inline constexpr int32_t kPositioned = 0;
inline constexpr int32_t kCentred = 1;
// Loads "Assets/<name>.wav" into the next slot of the ring, mixes it and plays it with
// `playFlags` (kOnce, kLooped). The capital A is the game's own spelling of its folder;
// the loader finds `assets/` by looking names up again ignoring letter case.
void PlayCue(const std::string& name, int32_t placement, float x, float y, int32_t playFlags);

// game/mix.cpp
// Sets the mix of ComputeMix on `sound` (or on cue slot `slot`'s sound) and returns it.
MixResult PositionSound(float listenerX, float listenerY, float sourceX, float sourceY,
                        float heading, int32_t sound, int32_t falloff);
MixResult PositionCue(float listenerX, float listenerY, float sourceX, float sourceY, float heading,
                      int32_t slot, int32_t falloff);
void UpdateCues();

// game/stalker.cpp
int32_t RunStalker(int32_t value);
int32_t HeadingToward(float playerX, float playerY, float stalkerX, float stalkerY);
void StopStalker();  // asks the stalker thread to end and waits until it has, 250 ms at most

// game/commands.cpp
void HandleCommands();

// game/pages.cpp
void UpdatePages();

// game/ambience.cpp
void LoadGameSounds();
void PlayAmbience();
