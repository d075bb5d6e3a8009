// tools/sim/recorder.h - the simulator's observer of the game: writes the trace's event
// lines and gathers what the map shows.
// Threads: the game's two threads call it (one at a time under the headless host); one
// lock guards its state all the same.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "game/game_events.h"
#include "tools/sim/map_record.h"

class HeadlessHost;

class Recorder final : public GameEvents {
 public:
  // `traceTicks`: a "tick" line for every tick. Lines go to the host's trace.
  Recorder(HeadlessHost& host, std::optional<int32_t> seed, bool traceTicks)
      : host_(host), traceTicks_(traceTicks) {
    map_.seed = seed;
  }

  void CueStarted(const CueReport& cue) override;
  void CueDropped(const CueDropReport& drop) override;
  void PlayStarted() override;
  void TickEnded(int64_t tick) override;
  void PageTaken(int32_t page, int32_t pages) override;
  void LayerStarted(int32_t layer) override;
  void StalkerAppeared(float x, float y, int32_t distance) override;
  void StalkerVanished(float x, float y) override;
  void StaticChanged(int32_t distance, int32_t outer, int32_t inner) override;
  void SettingChanged(const std::string& key, int32_t value) override;
  void Death(float x, float y) override;
  void OutroStarted() override;
  void Ending(EndCause cause, int32_t code) override;

  // The last line: {"ms":..,"event":"exit","code":C,"cause":...}. A run stopped by its
  // time limit gives the cause and the limit's ms; otherwise the game's own cause and
  // the present virtual time stand.
  void WriteExit(int32_t code, std::optional<std::string> cause, std::optional<uint64_t> ms);

  // How play ended so far (kStartup until the game says).
  EndCause Cause() const;

  // A copy of what the map shows so far.
  MapRecord Map() const;

 private:
  // Writes {"ms":..,"event":"<event>",<fields>}.
  void Emit(const char* event, const std::string& fields);
  void EmitAt(uint64_t ms, const char* event, const std::string& fields);

  HeadlessHost& host_;
  const bool traceTicks_;
  mutable std::mutex lock_;  // guards the fields below
  MapRecord map_;
  EndCause cause_ = EndCause::kStartup;
  bool stalkerActive_ = false;
};

// The trace's name of an end: "escape", "death", "outro", "startup".
const char* EndCauseName(EndCause cause);
