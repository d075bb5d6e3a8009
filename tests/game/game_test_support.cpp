#include "tests/game/game_test_support.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sstream>

#include "audio/sound.h"
#include "audio/sound_engine.h"
#include "audio/volume_table.h"
#include "game/game.h"
#include "game/game_exit.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/random.h"

void ResetGame() {
  // Once per process, as start-up does: an earlier test's stalker thread may still be
  // releasing its block (after ThreadIsRunning already answers 0) and reads the layout.
  static const bool started = [] {
    GameThreadVarsStart();
    return true;
  }();
  (void)started;
  ThreadVars() = GameThreadVars{};
  ClearGameGlobals();
  SetStartGlobals();
  SetGameStartValues();
}

int32_t SeedFor(const std::vector<int32_t>& maxima,
                const std::function<bool(const std::vector<int32_t>&)>& accept) {
  for (int32_t seed = 1;; ++seed) {
    if (accept(DrawsFrom(seed, maxima))) {
      RandomSeed(seed);
      return seed;
    }
  }
}

std::vector<int32_t> DrawsFrom(int32_t seed, const std::vector<int32_t>& maxima) {
  RandomSeed(seed);
  std::vector<int32_t> draws;
  for (int32_t max : maxima) draws.push_back(RandomNext(max));
  return draws;
}

uint32_t WordAfter(int32_t seed, const std::vector<int32_t>& maxima) {
  DrawsFrom(seed, maxima);
  return NextWord();
}

uint32_t NextWord() {
  return static_cast<uint32_t>(RandomNext(-1));
}

void LayPage(int32_t page, float x, float y) {
  Page& p = Game().pages[page];
  p.x = x;
  p.y = y;
  p.active = 1;
}

void PrepareBoldStalker(int32_t seed, float x, float y) {
  RandomSeed(seed);
  LoadGameSounds();
  LayGrass();
  GameGlobals& g = Game();
  g.player.x = x;
  g.player.y = y;
  g.pagesCollected = 7;
}

void GrassFieldTest::Place(float x, float y) {
  Game().player.x = x;
  Game().player.y = y;
}

void LayGrass() {
  GameGlobals& g = Game();
  for (size_t i = 0; i <= 150; ++i) {
    for (size_t j = 0; j <= 150; ++j) g.terrainMap.At({i, j}) = kTerrainGrass;
  }
}

namespace {

void PutLe(std::ofstream& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Every file the game loads, cues and fixed sounds, with the length of its tone in ms.
std::vector<std::pair<std::string, int32_t>> GameFiles() {
  std::vector<std::pair<std::string, int32_t>> files = {
      {"title", 200},
      {"intro", 200},
      {"outro", 100},
      {"ambience/amb", 400},
      {"player/breath", 400},
      {"player/compass", 150},
      {"player/death", 300},
      {"static/static1", 400},
      {"static/static2", 400},
      {"static/static3", 400},
      {"steps/fence", 60},
      {"physics/hit_wall", 60},
      {"physics/hit_wood", 60},
      {"physics/note", 150},
      {"physics/note_take", 100},
      {"vorlent/appearClose", 200},
  };
  for (int n = 1; n <= 11; ++n) files.emplace_back("ambience/amb" + std::to_string(n), 150);
  for (int n : {1, 3, 5, 7}) files.emplace_back("atmosphere/n" + std::to_string(n), 400);
  for (int n = 1; n <= 8; ++n) files.emplace_back("pages/page" + std::to_string(n), 100);
  for (int n = 1; n <= 6; ++n) {
    files.emplace_back("terrain/grass" + std::to_string(n), 60);
    files.emplace_back("terrain/tunnel" + std::to_string(n), 60);
  }
  return files;
}

void ThrowExit(int32_t code) {
  throw ProcessExited{code};
}

std::string Fixed(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", static_cast<double>(value));
  return text;
}

}  // namespace

void WriteToneWav(const std::filesystem::path& path, int32_t ms, double amplitude) {
  constexpr uint32_t kRate = 22050;
  const uint32_t frames = kRate * static_cast<uint32_t>(ms) / 1000;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4);
  PutLe(out, 36 + frames * 2, 4);
  out.write("WAVEfmt ", 8);
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, 1, 2);  // mono
  PutLe(out, kRate, 4);
  PutLe(out, kRate * 2, 4);
  PutLe(out, 2, 2);
  PutLe(out, 16, 2);
  out.write("data", 4);
  PutLe(out, frames * 2, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    double s = amplitude * std::sin(2 * std::numbers::pi * 440.0 * i / kRate);
    PutLe(out, static_cast<uint32_t>(static_cast<int16_t>(std::lround(s * 32767))), 2);
  }
}

TestAssets::TestAssets() {
  static int made = 0;
  folder_ = std::filesystem::temp_directory_path() /
            ("quelmire-game-test-" + std::to_string(getpid()) + "-" + std::to_string(made++));
  std::filesystem::remove_all(folder_);
  for (const auto& [name, ms] : GameFiles()) {
    WriteToneWav(folder_ / "assets" / (name + ".wav"), ms);
  }
  previous_ = std::filesystem::current_path();
  std::filesystem::current_path(folder_);
}

TestAssets::~TestAssets() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(folder_, ignored);
}

void TestAssets::Remove(const std::string& relative) const {
  std::filesystem::remove(folder_ / relative);
}

CatchProcessExit::CatchProcessExit() {
  InstallProcessExit(ThrowExit);
}
CatchProcessExit::~CatchProcessExit() {
  InstallProcessExit(nullptr);
}

EventLog::EventLog() {
  InstallGameEvents(this);
}
EventLog::~EventLog() {
  InstallGameEvents(nullptr);
}

void EventLog::Add(std::string line) {
  // Under the caller's lock.
  lines_.push_back(std::to_string(ElapsedMs()) + " " + line);
}

void EventLog::CueStarted(const CueReport& r) {
  std::scoped_lock lock(lock_);
  cues_.push_back(r);
  std::ostringstream line;
  line << (r.stalkerThread ? "stalker " : "") << "cue " << r.name << " slot " << r.slot << " at "
       << Fixed(r.x) << "," << Fixed(r.y) << " listener " << Fixed(r.listenerX) << ","
       << Fixed(r.listenerY) << "," << r.listenerHeading << " pan " << r.pan << " volume "
       << r.volume << (r.sound != 0 ? "" : " (no sound)");
  Add(line.str());
}

void EventLog::CueDropped(const CueDropReport& r) {
  std::scoped_lock lock(lock_);
  drops_.push_back(r);
  Add("drop " + r.name + " at distance " + std::to_string(r.distance));
}

void EventLog::PageTaken(int32_t page, int32_t pages) {
  std::scoped_lock lock(lock_);
  Add("page " + std::to_string(page) + " taken, " + std::to_string(pages) + " in all");
}

void EventLog::LayerStarted(int32_t layer) {
  std::scoped_lock lock(lock_);
  Add("layer " + std::to_string(layer));
}

void EventLog::StalkerAppeared(float x, float y, int32_t distance) {
  std::scoped_lock lock(lock_);
  Add("stalker appears at " + Fixed(x) + "," + Fixed(y) + " distance " + std::to_string(distance));
}

void EventLog::StalkerVanished(float x, float y) {
  std::scoped_lock lock(lock_);
  Add("stalker vanishes at " + Fixed(x) + "," + Fixed(y));
}

void EventLog::StaticChanged(int32_t distance, int32_t outer, int32_t inner) {
  std::scoped_lock lock(lock_);
  Add("static " + std::to_string(outer) + " " + std::to_string(inner) + " at distance " +
      std::to_string(distance));
}

void EventLog::Death(float x, float y) {
  std::scoped_lock lock(lock_);
  Add("death at " + Fixed(x) + "," + Fixed(y));
}

void EventLog::OutroStarted() {
  std::scoped_lock lock(lock_);
  Add("outro");
}

void EventLog::Ending(EndCause cause, int32_t code) {
  std::scoped_lock lock(lock_);
  Add("ending " + std::to_string(static_cast<int>(cause)) + " code " + std::to_string(code));
}

std::vector<CueReport> EventLog::Cues() const {
  std::scoped_lock lock(lock_);
  return cues_;
}

std::vector<CueReport> EventLog::CuesNamed(std::string_view name) const {
  std::scoped_lock lock(lock_);
  std::vector<CueReport> named;
  for (const CueReport& cue : cues_) {
    if (cue.name == name) named.push_back(cue);
  }
  return named;
}

std::vector<CueDropReport> EventLog::Drops() const {
  std::scoped_lock lock(lock_);
  return drops_;
}

std::vector<std::string> EventLog::Lines() const {
  std::scoped_lock lock(lock_);
  return lines_;
}

void EventLog::Clear() {
  std::scoped_lock lock(lock_);
  cues_.clear();
  drops_.clear();
  lines_.clear();
}

void OpenDevices() {
  KeyboardInit();
  ScreenInit();
  Game().mouseAvailable = MouseInit();
  SoundInit();
  OpenGameWindow();
}

HeadlessGame::HeadlessGame(std::string_view script, HeadlessOptions options) : host_(options) {
  host_.Install();
  ResetGame();
  OpenDevices();
  // The keyboard keeps its release marks from one host to the next: with every key up,
  // report and forget whatever an earlier test left marked.
  KeyboardExamine();
  KeyReleased(-1);
  std::vector<ScriptError> errors = host_.LoadInputScript(script);
  for (const ScriptError& error : errors) std::fprintf(stderr, "%s\n", error.Text().c_str());
}

HeadlessGame::~HeadlessGame() {
  if (std::getenv("QUELMIRE_TEST_DUMP") != nullptr) {
    if (auto* log = dynamic_cast<EventLog*>(&Events())) {
      for (const std::string& line : log->Lines()) std::fprintf(stderr, "%s\n", line.c_str());
    }
  }
  // Closing the screen first lets the mouse forget its buttons, which it would otherwise
  // keep for the next test's host. Every end step may run twice, so this is safe after
  // the game's own end sequence too.
  ScreenEnd();
  RuntimeEnd();
  host_.Uninstall();
}

void HeadlessGame::Tick() {
  DelayMs(17);
  RunTick();
}

void HeadlessGame::Ticks(int32_t count) {
  for (int32_t i = 0; i < count; ++i) Tick();
}

int32_t HeadlessGame::TickUntilExit(int32_t maxTicks) {
  try {
    Ticks(maxTicks);
  } catch (const ProcessExited& exited) {
    return exited.code;
  }
  return -1;
}

int32_t LevelOf(int32_t sound) {
  SoundLevels levels;
  if (SoundGetLevels(sound, levels) == 0) return 1;
  return levels.levelCb;
}

int32_t LevelForVolume(int32_t volume) {
  return VolumeLevelCb(volume);
}
