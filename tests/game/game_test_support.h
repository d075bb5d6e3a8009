// tests/game/game_test_support.h - what the game's tests share: a fresh game state, a
// folder of small sound files under every name the game plays, an observer that records
// what the game reports, and a headless host with the devices open as start-up opens
// them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "game/game_events.h"
#include "host/headless/headless_host.h"

// Gives the game state the values a fresh process holds after start-up and StartGame's
// first steps: globals, zeroed arrays, the calling thread's scratch, player and stalker.
void ResetGame();
// Terrain 1 (grass) in every cell 0..150, as world generation lays it.
void LayGrass();
// Puts page `page` (1..8) in the field at (x, y), not yet taken.
void LayPage(int32_t page, float x, float y);
// The stalker at its boldest: the generator seeded with `seed`, the game's sounds
// loaded, grass laid, the player at (x, y) and seven pages taken.
void PrepareBoldStalker(int32_t seed, float x, float y);

// Draw plans: the game's draws from the shared generator, predicted from the seed.
// The first seed from 1 up whose draws with `maxima`, in that order, pass `accept`; the
// generator is left seeded with it.
int32_t SeedFor(const std::vector<int32_t>& maxima,
                const std::function<bool(const std::vector<int32_t>&)>& accept);
// The draws with `maxima` from `seed`.
std::vector<int32_t> DrawsFrom(int32_t seed, const std::vector<int32_t>& maxima);
// The raw word that follows the draws with `maxima` from `seed`: the next draw gives it
// exactly when the game made those draws and no others.
uint32_t WordAfter(int32_t seed, const std::vector<int32_t>& maxima);
// The next raw word of the generator (one draw).
uint32_t NextWord();

// Writes a 16-bit mono WAV file of `ms` milliseconds of a steady tone (or silence).
void WriteToneWav(const std::filesystem::path& path, int32_t ms, double amplitude = 0.5);

// A fresh folder holding "assets/..." with a short tone for every file the game plays;
// the working folder while the object lives.
class TestAssets {
 public:
  TestAssets();
  ~TestAssets();
  TestAssets(const TestAssets&) = delete;
  TestAssets& operator=(const TestAssets&) = delete;
  // Removes one file, e.g. "assets/physics/note.wav".
  void Remove(const std::string& relative) const;
  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

// Thrown by the installed process exit: the end sequence has run.
struct ProcessExited {
  int32_t code;
};
// Installs an exit that throws ProcessExited while the object lives.
class CatchProcessExit {
 public:
  CatchProcessExit();
  ~CatchProcessExit();
};

// Records what the game reports, from either game thread.
class EventLog final : public GameEvents {
 public:
  EventLog();  // installs itself
  ~EventLog() override;

  void CueStarted(const CueReport& report) override;
  void CueDropped(const CueDropReport& report) override;
  void PageTaken(int32_t page, int32_t pages) override;
  void LayerStarted(int32_t layer) override;
  void StalkerAppeared(float x, float y, int32_t distance) override;
  void StalkerVanished(float x, float y) override;
  void StaticChanged(int32_t distance, int32_t outer, int32_t inner) override;
  void Death(float x, float y) override;
  void OutroStarted() override;
  void Ending(EndCause cause, int32_t code) override;

  std::vector<CueReport> Cues() const;
  std::vector<CueReport> CuesNamed(std::string_view name) const;
  std::vector<CueDropReport> Drops() const;
  // Every event as a line of text, in order, each with the clock's reading.
  std::vector<std::string> Lines() const;
  void Clear();

 private:
  void Add(std::string line);

  mutable std::mutex lock_;
  std::vector<CueReport> cues_;
  std::vector<CueDropReport> drops_;
  std::vector<std::string> lines_;
};

// Start-up's device steps on whatever host is installed: keyboard, screen, mouse (kept as
// mouseAvailable), sound, and the black desktop-sized window 0 with its screen.
void OpenDevices();

// A headless host for one test: installed, the game state fresh, the devices open. The
// destructor runs the runtime's end steps (unless the game ended itself) and uninstalls.
class HeadlessGame {
 public:
  explicit HeadlessGame(std::string_view script = "", HeadlessOptions options = {});
  ~HeadlessGame();
  HeadlessGame(const HeadlessGame&) = delete;
  HeadlessGame& operator=(const HeadlessGame&) = delete;

  HeadlessHost& host() { return host_; }
  // One tick as the main loop runs it, 17 ms after the previous one.
  void Tick();
  void Ticks(int32_t count);
  // Runs ticks until the end sequence leaves the process; returns the exit code.
  int32_t TickUntilExit(int32_t maxTicks);

 private:
  HeadlessHost host_;
  CatchProcessExit exit_;
};

// A test on a fresh headless game (every sound file present, the game's reports in log_)
// with the field all grass and the player at (75, 75) facing +y.
class GrassFieldTest : public testing::Test {
 protected:
  void SetUp() override {
    LayGrass();
    Place(75, 75);
  }

  static void Place(float x, float y);
  void Script(std::string_view text) { ASSERT_TRUE(game_.host().LoadInputScript(text).empty()); }
  // How many cues named `name` have started.
  size_t Count(std::string_view name) const { return log_.CuesNamed(name).size(); }

  TestAssets assets_;
  EventLog log_;
  HeadlessGame game_;
};

// The engine's level of `sound` in hundredths of a dB, -10000 .. 0; 1 for no such sound.
int32_t LevelOf(int32_t sound);
// The level the engine gives a sound at game volume `volume` (0 .. 100).
int32_t LevelForVolume(int32_t volume);
