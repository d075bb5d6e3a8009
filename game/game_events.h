// game/game_events.h - what the game tells an observer as it plays: cues with their mix,
// ticks, pages, layers, the stalker's comings and goings, the end. The game knows
// nothing of who listens; the default observer does nothing. The simulator installs one
// that writes trace lines.
// Threads: called on the game thread where the event happens (the stalker's on the
// stalker thread); an observer that keeps state must guard it.
#pragma once

#include <cstdint>
#include <string>

struct CueReport {
  bool stalkerThread = false;          // started by the stalker thread
  std::string name;                    // the cue name, number included
  int32_t slot = 0;                    // 0..256
  int32_t placement = 0;               // kPositioned or kCentred; "nonPositional" in the trace
  float x = 0, y = 0;                  // source
  float listenerX = 0, listenerY = 0;  // the player at the call
  int32_t listenerHeading = 0;
  int32_t sound = 0;   // 0 when the file did not load
  int32_t pan = 0;     // what the game passed to the engine, -100 .. 100
  int32_t volume = 0;  // likewise, before the engine's clamp
};

struct CueDropReport {
  bool stalkerThread = false;
  std::string name;
  float x = 0, y = 0;
  int32_t distance = 0;  // whole units, audibleRange or more
};

// How play ended.
enum class EndCause { kStartup, kEscape, kDeath, kOutro };

class GameEvents {
 public:
  virtual ~GameEvents() = default;
  virtual void CueStarted(const CueReport&) {}
  virtual void CueDropped(const CueDropReport&) {}
  virtual void PlayStarted() {}                // the world is built, the loop begins
  virtual void TickEnded(int64_t /*tick*/) {}  // 1, 2, ...; the state is the tick's end
  virtual void PageTaken(int32_t /*page*/, int32_t /*pages*/) {}
  virtual void LayerStarted(int32_t /*layer*/) {}  // atmosphere layer 1..4
  virtual void StalkerAppeared(float /*x*/, float /*y*/, int32_t /*distance*/) {}
  virtual void StalkerVanished(float /*x*/, float /*y*/) {}
  // A static layer's volume or playing state changed; -1 for a stopped layer.
  virtual void StaticChanged(int32_t /*distance*/, int32_t /*outer*/, int32_t /*inner*/) {}
  // A player's setting took a new value: at start from the settings file, or by its key.
  virtual void SettingChanged(const std::string& /*key*/, int32_t /*value*/) {}
  virtual void Death(float /*x*/, float /*y*/) {}
  virtual void OutroStarted() {}
  // The end sequence begins; the process exits with `code` right after it.
  virtual void Ending(EndCause /*cause*/, int32_t /*code*/) {}
};

// The installed observer (a do-nothing one until something is installed).
GameEvents& Events();
// Installs `observer` (nullptr restores the do-nothing one). Before the game starts.
void InstallGameEvents(GameEvents* observer);
