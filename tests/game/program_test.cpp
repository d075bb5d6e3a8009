// The program from its entry to its end on the headless host: the start-up checks, the
// title and intro, the main loop's pace and order, the page milestones and the outro.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "tests/audio/special_files.h"
#include "tests/game/game_run.h"

namespace {

// Space pressed and released in the title, Escape in the intro: play begins soon after.
constexpr const char* kQuickStart =
    "100 key down Space\n150 key up Space\n300 key down Escape\n350 key up Escape\n";

class Program : public testing::Test {
 protected:
  void SetUp() override { EnterRunFolder(); }
};

std::vector<std::string> BoxTexts(const GameRun& run) {
  std::vector<std::string> texts;
  for (const RecordedBox& box : run.boxes) texts.push_back(box.caption + ": " + box.text);
  return texts;
}

// Status 1: a launcher or a script must be able to tell that the game never started.
TEST_F(Program, EachFailingDeviceShowsOnlyItsOwnBoxAndExitsOne) {
  GameRunSetUp noKeyboard;
  noKeyboard.options.keyboardPresent = false;
  GameRunSetUp noScreen;
  noScreen.options.displayModes = 0;
  GameRunSetUp noSound;
  noSound.soundDevice = false;
  const std::pair<GameRunSetUp*, std::string> cases[] = {
      {&noKeyboard, "ERROR: Error initializing Keyboard."},
      {&noScreen, "ERROR: Error initializing Sprites."},
      {&noSound, "ERROR: Error initializing Sound Library"},
  };
  for (const auto& [setUp, text] : cases) {
    GameRun run = RunGameProgram(*setUp);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.cause, EndCause::kStartup);
    EXPECT_EQ(BoxTexts(run), std::vector<std::string>{text});
    EXPECT_EQ(run.playStartMs, 0u);
  }
}

#ifndef _WIN32
// No sound folder where the game looks, or something in its place that is not a folder:
// the box, the end, status 1, and nothing waited on.
TEST_F(Program, NoSoundFolderIsAStartUpErrorThatExitsOne) {
  namespace fs = std::filesystem;
  const std::pair<const char*, std::function<void(const fs::path&)>> rows[] = {
      {"nothing", [](const fs::path&) {}},
      {"a named pipe", [](const fs::path& assets) { mkfifo(assets.c_str(), 0600); }},
      {"a regular file", [](const fs::path& assets) { std::ofstream{assets}; }},
      {"a link to a device",
       [](const fs::path& assets) { fs::create_symlink("/dev/zero", assets); }},
  };
  for (const auto& [kind, make] : rows) {
    SCOPED_TRACE(kind);
    std::string pattern = (fs::temp_directory_path() / "quelmire-no-assets-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    make(fs::path(pattern) / "assets");
    ASSERT_EQ(chdir(pattern.c_str()), 0);
    GameRun run = RunGameProgram(GameRunSetUp{});
    EXPECT_EQ(chdir(QUELMIRE_RUN_DIR), 0);
    fs::remove_all(pattern);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.cause, EndCause::kStartup);
    EXPECT_EQ(BoxTexts(run),
              std::vector<std::string>{"ERROR: Error finding the sound files: no assets folder."});
  }
}
#endif

TEST_F(Program, WithoutAMouseTheGameStartsAndEscapeEndsIt) {
  GameRunSetUp setUp;
  setUp.options.mousePresent = false;
  setUp.script = std::string(kQuickStart) + "1000 key down Escape\n";
  GameRun run = RunGameProgram(setUp);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_GT(run.playStartMs, 350u);
  EXPECT_EQ(run.cause, EndCause::kEscape);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_GE(run.endMs, 1000u);
  // The next tick sees Escape held; the stalker's thread ends within its 16 ms wait.
  EXPECT_LE(run.endMs, 1000u + 17u + 17u);
}

// Whether the title and the intro play, sampled at every step of virtual time.
struct Playing {
  bool title, intro;
};

TEST_F(Program, TitleWaitsForSpaceReleaseAndEscapeSkipsTheIntro) {
  std::map<uint64_t, Playing> playing;
  GameRunSetUp setUp;
  setUp.script =
      "100 key down Escape   # nothing in the title\n"
      "150 key up Escape\n"
      "300 key down Space    # held: the title goes on\n"
      "400 key up Space\n"
      "600 key down Space    # nothing in the intro\n"
      "650 key up Space\n"
      "1000 key down Escape\n"
      "1050 key up Escape\n"
      "1500 key down Escape\n";
  setUp.atTimeStep = [&playing](uint64_t, uint64_t toMs) {
    const GameGlobals& g = Game();
    bool title = g.titleSound != 0 && SoundIsPlaying(g.titleSound) == 1;
    bool intro = g.introSound != 0 && SoundIsPlaying(g.introSound) == 1;
    playing[toMs] = {title, intro};
  };
  GameRun run = RunGameProgram(setUp);
  // The state as it stood at `ms` (each sample is taken before anything runs at its time).
  auto at = [&playing](uint64_t ms) { return std::prev(playing.upper_bound(ms))->second; };

  EXPECT_TRUE(at(250).title);
  EXPECT_TRUE(at(399).title);
  EXPECT_FALSE(at(399).intro);
  EXPECT_FALSE(at(440).title);
  EXPECT_TRUE(at(440).intro);
  EXPECT_TRUE(at(1040).intro);
  EXPECT_FALSE(at(1090).intro);
  EXPECT_GT(run.playStartMs, 1050u);
  EXPECT_LT(run.playStartMs, 1150u);
  EXPECT_EQ(run.cause, EndCause::kEscape);
}

TEST_F(Program, AnIntroThatEndsByItselfStartsTheGameWithoutAKey) {
  GameRunSetUp setUp;
  setUp.script = "100 key down Space\n150 key up Space\n70000 key down Escape\n";
  GameRun run = RunGameProgram(setUp);
  // The intro lasts about a minute; play follows at once.
  EXPECT_GT(run.playStartMs, 55000u);
  EXPECT_LT(run.playStartMs, 70000u);
  EXPECT_EQ(run.cause, EndCause::kEscape);
}

TEST_F(Program, TicksComeEvery17MillisecondsInTheirFixedOrder) {
  GameRunSetUp setUp;
  setUp.script = std::string(kQuickStart) + "360 key down W\n2000 key down Escape\n";
  setUp.atPlayStart = [](HeadlessHost&) {
    GameGlobals& g = Game();
    g.ambienceCounter = 100;    // the ambient noise comes on the first tick
    g.player.stepCounter = 30;  // and so does a footstep
    g.pagesCollected = 1;       // and the first layer
  };
  GameRun run = RunGameProgram(setUp);
  ASSERT_GT(run.tickMs.size(), 50u);
  for (size_t i = 1; i < run.tickMs.size(); ++i) {
    EXPECT_EQ(run.tickMs[i] - run.tickMs[i - 1], 17u) << "tick " << i;
  }
  EXPECT_EQ(run.tickMs[0] - run.playStartMs, 17u);

  // Ambience, then the player's footstep, then the milestones, then the page hints.
  std::vector<std::string> firstTick(run.log.begin(),
                                     std::find(run.log.begin(), run.log.end(), "tick 1"));
  ASSERT_GE(firstTick.size(), 4u);
  EXPECT_EQ(firstTick[0].rfind("cue ambience/amb", 0), 0u);
  EXPECT_EQ(firstTick[1].rfind("cue terrain/grass", 0), 0u);
  EXPECT_EQ(firstTick[2], "layer 1");
  for (size_t i = 3; i < firstTick.size(); ++i) EXPECT_EQ(firstTick[i], "cue physics/note");
}

TEST_F(Program, LayersJoinAtOddPagesAndTheEighthPlaysTheOutroToItsEnd) {
  bool bedDuringOutro = false;
  GameRunSetUp setUp;
  setUp.atTimeStep = [&bedDuringOutro](uint64_t, uint64_t) {
    const GameGlobals& g = Game();
    if (g.outroSound != 0 && SoundIsPlaying(g.outroSound) == 1 &&
        SoundIsPlaying(g.ambienceBed) == 1) {
      bedDuringOutro = true;
    }
  };
  setUp.script = std::string(kQuickStart) + "2500 key down Escape   # the outro ignores it\n";
  setUp.atTickEnd = [](HeadlessHost&, int64_t tick) {
    if (tick % 10 == 0 && tick <= 80) Game().pagesCollected = static_cast<int32_t>(tick / 10);
  };
  GameRun run = RunGameProgram(setUp);
  EXPECT_EQ(run.layers, (std::vector<int32_t>{1, 2, 3, 4}));
  std::vector<std::string> milestones;
  for (const std::string& line : run.log) {
    if (line.rfind("layer", 0) == 0 || line == "outro") milestones.push_back(line);
  }
  EXPECT_EQ(milestones,
            (std::vector<std::string>{"layer 1", "layer 2", "layer 3", "layer 4", "outro"}));
  EXPECT_EQ(run.cause, EndCause::kOutro);
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_GT(run.outroMs, 0u);
  // The outro lasts about half a minute and is heard to its end.
  EXPECT_GT(run.endMs - run.outroMs, 25000u);
  EXPECT_LT(run.endMs - run.outroMs, 40000u);
  EXPECT_FALSE(bedDuringOutro);  // every sound stopped when the outro began
}

// A copy of the asset tree without the file `missing` (a path under assets/), as links to
// the generated files where the system allows them. With `replace`, every file is made
// by it instead.
std::string AssetsWithout(const std::filesystem::path& missing,
                          const std::function<void(const std::filesystem::path&)>& replace = {}) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / ("quelmire-missing-" + std::to_string(getpid()));
  fs::remove_all(root);
  const fs::path generated = fs::path(QUELMIRE_RUN_DIR) / "assets";
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(generated)) {
    const fs::path relative = fs::relative(entry.path(), generated);
    const fs::path copy = root / "assets" / relative;
    if (entry.is_directory()) {
      fs::create_directories(copy);
      continue;
    }
    if (relative == missing) continue;
    fs::create_directories(copy.parent_path());
    if (replace) {
      replace(copy);
      continue;
    }
    std::error_code notLinked;  // Windows may not allow symbolic links: a real copy then
    fs::create_symlink(entry.path(), copy, notLinked);
    if (notLinked) fs::copy(entry.path(), copy);
  }
  return root.string();
}

// Runs the program from a folder whose asset tree lacks `missing`.
GameRun RunWithout(const std::filesystem::path& missing, const GameRunSetUp& setUp) {
  std::string folder = AssetsWithout(missing);
  EXPECT_EQ(chdir(folder.c_str()), 0);
  GameRun run = RunGameProgram(setUp);
  EXPECT_EQ(chdir(QUELMIRE_RUN_DIR), 0);
  std::filesystem::remove_all(folder);
  return run;
}

TEST_F(Program, AMissingOutroEndsTheGameAtOnce) {
  GameRunSetUp setUp;
  setUp.script = kQuickStart;
  setUp.atTickEnd = [](HeadlessHost&, int64_t tick) {
    if (tick == 5) Game().pagesCollected = 8;
  };
  GameRun run = RunWithout("outro.wav", setUp);
  EXPECT_EQ(run.cause, EndCause::kOutro);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_LE(run.endMs - run.outroMs, 20u);  // no waiting for a sound that is not there
}

// A layer whose file is missing is silent, and the trace says so: it is not reported as
// started, neither once nor on every tick it is asked for again.
#ifndef _WIN32
// Every sound file replaced by a named pipe that nothing writes (the loader's own tests
// go through the other kinds of file that are not regular): the title, the intro, the
// footsteps and every cue load as 0 at once, and the game plays on in silence to its
// Escape. Past the bound the test fails and lets the pipes go, rather than never ending.
TEST_F(Program, SoundFilesThatAreNamedPipesLoadAsZeroAndPlayGoesOn) {
  namespace fs = std::filesystem;
  std::string folder = AssetsWithout("", [](const fs::path& file) { mkfifo(file.c_str(), 0600); });
  std::vector<std::string> pipes;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_fifo()) pipes.push_back(entry.path().string());
  }
  GameRunSetUp setUp;
  setUp.script = std::string(kQuickStart) + "600 key down W\n3000 key down Escape\n";
  ASSERT_EQ(chdir(folder.c_str()), 0);
  GameRun run =
      WithinBound([&] { return RunGameProgram(setUp); }, pipes, std::chrono::seconds(120));
  EXPECT_EQ(chdir(QUELMIRE_RUN_DIR), 0);
  fs::remove_all(folder);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ(run.cause, EndCause::kEscape);
  EXPECT_EQ(run.exitCode, 0);
  int steps = 0;
  for (const auto& [ms, cue] : run.cues) {
    EXPECT_EQ(cue.sound, 0) << cue.name;
    if (cue.name.starts_with("terrain/")) ++steps;
  }
  EXPECT_GT(steps, 0) << "the player walked";
}
#endif

TEST_F(Program, AMissingLayerIsNeverReportedAsStarted) {
  GameRunSetUp setUp;
  setUp.script = std::string(kQuickStart) + "2000 key down Escape\n";
  setUp.atTickEnd = [](HeadlessHost&, int64_t tick) {
    if (tick == 5) Game().pagesCollected = 1;
    if (tick == 40) Game().pagesCollected = 3;
  };
  GameRun run = RunWithout("atmosphere/n1.wav", setUp);
  EXPECT_EQ(run.cause, EndCause::kEscape);
  EXPECT_EQ(run.layers, (std::vector<int32_t>{2}));
  EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "layer 1"), 0);
  EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "layer 2"), 1);
}

}  // namespace
