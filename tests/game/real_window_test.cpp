// The quelmire program itself in a real window on a private X display, its sound going
// to SDL's disk driver, driven from outside by xdotool as a player would drive it; and
// where it finds its sound files when started from another folder.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/audio/set_file.h"
#include "tests/audio/special_files.h"
#include "tests/host/sdl/child_process.h"
#include "tests/host/sdl/faulty_speech_server.h"
#include "tests/host/sdl/speech_server.h"
#include "tests/host/sdl/xvfb_display.h"

namespace {

using namespace std::chrono_literals;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

// Holds a key down long enough for the game's once-per-tick sampling to see it.
void Tap(const std::string& window, const std::string& key) {
  Shell("xdotool windowfocus --sync " + window + " keydown " + key);
  std::this_thread::sleep_for(300ms);
  Shell("xdotool keyup " + key);
}

// How the program is started: `program` in the working folder `workDir`, on `display`
// (none when empty), its sound to `soundFile` through SDL's disk driver (or
// `audioDriver`), standard error to `errorFile` if named. A private speech server's
// address, when a test started one, goes along.
struct Launch {
  Launch(std::string display, std::string soundFile)
      : display(std::move(display)), soundFile(std::move(soundFile)) {}
  std::string display;
  std::string soundFile;
  std::string program = QUELMIRE_RUN_DIR "/quelmire";
  std::string workDir = QUELMIRE_RUN_DIR;
  std::string audioDriver = "disk";
  std::string errorFile;
  std::vector<std::string> extraEnv;  // NAME=value
};

pid_t StartGame(Launch launch) {
  std::vector<std::string> env = {"SDL_AUDIODRIVER=" + launch.audioDriver,
                                  "SDL_DISKAUDIOFILE=" + launch.soundFile,
                                  "PATH=" + std::string(std::getenv("PATH")),
                                  "LSAN_OPTIONS=suppressions=" QUELMIRE_LSAN_SUPPRESSIONS};
  if (!launch.display.empty()) env.push_back("DISPLAY=" + launch.display);
  env.insert(env.end(), launch.extraEnv.begin(), launch.extraEnv.end());
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "HOME",
                           "SPEECHD_ADDRESS", "XDG_CONFIG_HOME"}) {
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {launch.program.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, launch.workDir.c_str());
  if (!launch.errorFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, launch.errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t child = -1;
  int failed = posix_spawn(&child, launch.program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed != 0 ? -1 : child;
}

// A private file name for this test process.
std::string TemporaryFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("quelmire-" + name + "-" + std::to_string(getpid())))
      .string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits up to `limit` for the child; its exit status, or -1 if it is still running.
int WaitForExit(pid_t child, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(20ms);
  }
  return -1;
}

// Root mean square of the interleaved float frames [from, to) seconds into the file.
double Rms(const std::vector<float>& samples, double from, double to) {
  size_t begin = static_cast<size_t>(from * 48000) * 2;
  size_t end = std::min(samples.size(), static_cast<size_t>(to * 48000) * 2);
  double sum = 0;
  for (size_t i = begin; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return end > begin ? std::sqrt(sum / static_cast<double>(end - begin)) : 0;
}

// The samples written so far; `remove` deletes the file afterwards.
std::vector<float> ReadDiskAudio(const std::string& soundFile, bool remove = true) {
  std::ifstream in(soundFile, std::ios::binary);
  std::vector<float> samples;
  float sample = 0;
  while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) samples.push_back(sample);
  if (remove) std::filesystem::remove(soundFile);
  return samples;
}

// Waits up to a minute for the first sound in the capture: the title loads its long
// files before it plays, which takes seconds on a loaded machine, and a Space pressed
// before the title listens would be lost.
void WaitForFirstSound(const std::string& soundFile) {
  for (int i = 0; i < 600; ++i) {
    for (float s : ReadDiskAudio(soundFile, false)) {
      if (std::fabs(s) >= 1e-4f) return;
    }
    std::this_thread::sleep_for(100ms);
  }
}

std::string DiskAudioFile() {
  return TemporaryFile("disk");
}

// Plays `program` from `workDir` as a player would: the title for a while, Space, Escape
// (the intro), Escape (quits play). Checks the window, the exit status 0 and that the
// title music was heard.
void PlayTitleAndQuit(const std::string& program, const std::string& workDir) {
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  std::string soundFile = DiskAudioFile();
  Launch launch(xvfb.display(), soundFile);
  launch.program = program;
  launch.workDir = workDir;
  pid_t game = StartGame(launch);
  ASSERT_GT(game, 0);

  std::string window = Shell("timeout 60 xdotool search --sync --name 'Vorlent: The Quelmire'");
  ASSERT_FALSE(window.empty()) << "the window never appeared";
  EXPECT_EQ(Shell("xdotool getwindowname " + window), "Vorlent: The Quelmire");

  WaitForFirstSound(soundFile);
  std::this_thread::sleep_for(2500ms);  // the title music
  Tap(window, "space");
  std::this_thread::sleep_for(500ms);
  Tap(window, "Escape");  // skips the intro
  std::this_thread::sleep_for(1000ms);
  // Escape quits in play; on a busy machine the world may still be in the making, so
  // press again if the game goes on.
  int status = -1;
  for (int press = 0; press < 6 && status == -1; ++press) {
    Tap(window, "Escape");
    status = WaitForExit(game, 5s);
  }
  if (status == -1) kill(game, SIGKILL), waitpid(game, nullptr, 0);
  EXPECT_EQ(status, 0);

  std::vector<float> samples = ReadDiskAudio(soundFile);
  double seconds = static_cast<double>(samples.size()) / 2 / 48000;
  EXPECT_GT(seconds, 2.5);    // the title played until Space, the game went on after
  EXPECT_LT(seconds, 120.0);  // and it stopped: the program ended
  // The title starts a moment after the device opens: measure from its first sound.
  size_t first = 0;
  while (first < samples.size() && std::fabs(samples[first]) < 1e-4f) ++first;
  double start = static_cast<double>(first / 2) / 48000;
  double titleLevel = Rms(samples, start, start + 1.5);
  EXPECT_GT(titleLevel, 0.02) << "the title music is heard";
  EXPECT_LT(titleLevel, 0.7);
}

TEST(RealWindow, TheGameOpensItsWindowPlaysTheTitleAndQuitsOnEscape) {
  PlayTitleAndQuit(QUELMIRE_RUN_DIR "/quelmire", QUELMIRE_RUN_DIR);
}

// ---- where the program finds its sound files ----------------------------------------

namespace fs = std::filesystem;

// A private folder tree for one test, removed with it: copies of the program (a copy,
// not a link, since the program finds its own folder through the file it runs from),
// links to the build's asset folder and empty asset folders as decoys.
class LayoutFolder {
 public:
  LayoutFolder() {
    std::string pattern = fs::temp_directory_path() / "quelmire-layout-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  }
  ~LayoutFolder() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }
  LayoutFolder(const LayoutFolder&) = delete;
  LayoutFolder& operator=(const LayoutFolder&) = delete;

  // Makes `entry` at `relative` under the root: "program" copies the game, "assets" links
  // to the real asset folder, "folder" makes an empty folder. Returns its full path.
  std::string Make(const std::string& relative, const std::string& entry) {
    fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    if (entry == "program") fs::copy_file(QUELMIRE_RUN_DIR "/quelmire", path);
    if (entry == "assets") fs::create_directory_symlink(QUELMIRE_RUN_DIR "/assets", path);
    if (entry == "folder") fs::create_directories(path);
    return path.string();
  }

 private:
  fs::path root_;
};

struct AssetLayout {
  const char* name;
  const char* program;                   // where the program is copied, under the root
  const char* workDir;                   // the folder it starts in
  std::vector<const char*> realAssets;   // links to the real asset folder
  std::vector<const char*> emptyAssets;  // empty asset folders: found, but silent
};

// Each row puts the real sounds where the lookup must find them and an empty asset folder
// one step later in the order (or in the place a lookup by the executable's name would
// use), so that the title is heard only when the right folder won.
const AssetLayout kLayouts[] = {
    {"WorkingFolderComesFirst", "x/quelmire", "play", {"play/assets"}, {"x/assets"}},
    {"BesideTheExecutableBeforeTheDataFolder",
     "p/games/quelmire",
     "home",
     {"p/games/assets"},
     {"p/share/games/quelmire/assets"}},
    {"DataFolderFromGamesAnyLetterCase",
     "u/games/quelmire",
     "home",
     {"u/share/games/quelmire/Assets"},
     {}},
    {"DataFolderFromBin", "l/bin/quelmire", "home", {"l/share/games/quelmire/assets"}, {}},
};

void PrintTo(const AssetLayout& layout, std::ostream* os) {
  *os << layout.name;
}

class AssetLookup : public testing::TestWithParam<AssetLayout> {};

TEST_P(AssetLookup, TheTitleIsHeardFromTheFolderFoundFirst) {
  const AssetLayout& layout = GetParam();
  LayoutFolder tree;
  std::string program = tree.Make(layout.program, "program");
  std::string workDir = tree.Make(layout.workDir, "folder");
  for (const char* place : layout.realAssets) tree.Make(place, "assets");
  for (const char* place : layout.emptyAssets) tree.Make(place, "folder");
  PlayTitleAndQuit(program, workDir);
}

INSTANTIATE_TEST_SUITE_P(Layouts, AssetLookup, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<AssetLayout>& row) {
                           return std::string(row.param.name);
                         });

// No asset folder anywhere: a start-up error like a missing device, shown, spoken, and the
// end with status 1, instead of a game that plays in silence.
TEST(AssetLookupNone, NoAssetFolderAnywhereIsAStartUpErrorHeardAndShown) {
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  PrivateSpeechServer server;
  ASSERT_TRUE(server.Start()) << server.error();
  LayoutFolder tree;
  std::string program = tree.Make("bin/quelmire", "program");
  std::string workDir = tree.Make("home", "folder");
  std::string soundFile = DiskAudioFile();
  pid_t player = DismissBoxFromOutside("ERROR");
  Launch launch(xvfb.display(), soundFile);
  launch.program = program;
  launch.workDir = workDir;
  pid_t game = StartGame(launch);
  ASSERT_GT(game, 0);
  EXPECT_TRUE(ExitedCleanly(player)) << "the ERROR box appeared and was closed";
  int status = WaitForExit(game, 30s);
  if (status == -1) kill(game, SIGKILL), waitpid(game, nullptr, 0);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(server.WaitFor("Error finding the sound files: no assets folder.", 10s))
      << "the error is spoken";
  std::vector<float> samples = ReadDiskAudio(soundFile);
  EXPECT_EQ(Rms(samples, 0, 1e9), 0.0) << "nothing is played";
}

// Every way out of the program ends promptly, also while the speech server hangs: the
// player's Escape after a spoken Coords box, a start-up error spoken with no display to
// show it on, and a start-up error in a box. (Death and the outro take the same end
// sequence; the headless exit tests follow them there.) A hang would be for ever; the
// limit leaves room for a loaded machine and the sanitizer builds.
constexpr auto kWayOut = 2s;

// Finds the game's window, waits for the title's first sound, leaves the title and skips
// the intro; the window's id, or "" when it never appeared.
std::string WindowPastTheIntro(const std::string& soundFile) {
  std::string window = Shell("timeout 60 xdotool search --sync --name 'Vorlent: The Quelmire'");
  if (window.empty()) return window;
  WaitForFirstSound(soundFile);
  Tap(window, "space");
  std::this_thread::sleep_for(500ms);
  Tap(window, "Escape");  // skips the intro
  return window;
}

// Presses Escape and waits for the game to end: its exit status (-1 when it was still
// running after 30 s and had to be killed) and how long it took from the press.
std::pair<int, std::chrono::steady_clock::duration> EscapeAndWait(const std::string& window,
                                                                  pid_t game) {
  Shell("xdotool windowfocus --sync " + window + " keydown Escape");
  auto pressed = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(100ms);
  Shell("xdotool keyup Escape");
  int status = WaitForExit(game, 30s);
  auto took = std::chrono::steady_clock::now() - pressed;
  if (status == -1) kill(game, SIGKILL), waitpid(game, nullptr, 0);
  return {status, took};
}

TEST(RealWindowWayOut, EscapeAfterASpokenBoxEndsPromptlyWhileTheSpeechServerStalls) {
  FaultySpeechServer speech(SpeechServerFault::kStallsAfterGreeting);
  ASSERT_EQ(speech.error(), "");
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  std::string soundFile = TemporaryFile("disk-way-out");
  pid_t game = StartGame(Launch(xvfb.display(), soundFile));
  ASSERT_GT(game, 0);
  std::string window = WindowPastTheIntro(soundFile);
  ASSERT_FALSE(window.empty()) << "the window never appeared";
  // C once play has begun (the world may still be in the making on a busy machine).
  pid_t player = DismissBoxFromOutside("Coords");
  int dismissed = -1;
  for (int press = 0; press < 15 && dismissed == -1; ++press) {
    Tap(window, "c");
    dismissed = WaitForExit(player, 1s);
  }
  if (dismissed == -1) kill(player, SIGKILL), waitpid(player, nullptr, 0);
  EXPECT_EQ(dismissed, 0) << "the Coords box appeared and was dismissed";
  EXPECT_EQ(speech.connections(), 1) << "its text went to the stalling server";
  std::this_thread::sleep_for(500ms);
  const auto [status, took] = EscapeAndWait(window, game);
  std::filesystem::remove(soundFile);
  EXPECT_EQ(status, 0);
  EXPECT_LT(took, kWayOut);
}

// A set of 400,000 measurements: read in a child process of the game's for many seconds.
// Play waits for it after the intro, and Escape there leaves at once, the reading with it;
// left to wait, the game plays stereo after a few seconds and says so.
TEST(RealWindowWayOut, EscapeRightAfterTheIntroLeavesWhileTheSetIsStillBeingRead) {
  SetFile set;
  set.rate = 44100.0;
  set.taps = 1;
  set.measurements = 400000;
  for (uint32_t m = 0; m < set.measurements; ++m) {
    set.positions.insert(set.positions.end(), {m * 7.0 - 360.0 * (m * 7 / 360), m % 131 - 40.0, 1});
    set.ir.insert(set.ir.end(), {1.0, 1.0});
  }
  const std::string setFile = TemporaryFile("slow.sofa");
  ASSERT_TRUE(WriteSetFile(set, setFile));
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  std::string soundFile = TemporaryFile("disk-slow-set");
  Launch launch(xvfb.display(), soundFile);
  launch.errorFile = TemporaryFile("stderr-slow-set");
  launch.extraEnv = {"QUELMIRE_BINAURAL=yes", "QUELMIRE_HRTF=" + setFile};
  pid_t game = StartGame(launch);
  ASSERT_GT(game, 0);
  std::string window = WindowPastTheIntro(soundFile);
  ASSERT_FALSE(window.empty()) << "the window never appeared";
  std::this_thread::sleep_for(300ms);
  const std::string reader = Shell("pgrep -P " + std::to_string(game));
  EXPECT_FALSE(reader.empty()) << "the set is still being read";
  const auto [status, took] = EscapeAndWait(window, game);
  EXPECT_EQ(status, 0);
  EXPECT_LT(took, kWayOut);
  EXPECT_EQ(ReadFile(launch.errorFile).find("Headphones"), std::string::npos)
      << "it left during the wait, not after it";
  if (!reader.empty()) {
    const pid_t child = std::stoi(reader);
    for (int i = 0; i < 100 && kill(child, 0) == 0; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_NE(kill(child, 0), 0) << "the reading ended with the game";
  }
  std::filesystem::remove(soundFile);

  // Left to wait, the game plays on in stereo a few seconds after the intro, and says so.
  game = StartGame(launch);
  ASSERT_GT(game, 0);
  window = WindowPastTheIntro(soundFile);
  ASSERT_FALSE(window.empty()) << "the window never appeared";
  std::string told;
  for (int i = 0; i < 100 && told.find("Headphones") == std::string::npos; ++i) {
    std::this_thread::sleep_for(100ms);
    told = ReadFile(launch.errorFile);
  }
  EXPECT_NE(told.find("Headphones are off: the head-related set"), std::string::npos) << told;
  EXPECT_NE(told.find("was not read within 3 seconds. Playing stereo."), std::string::npos);
  EXPECT_EQ(WaitForExit(game, 500ms), -1) << "it plays on";
  const auto [played, left] = EscapeAndWait(window, game);
  EXPECT_EQ(played, 0);
  std::filesystem::remove(soundFile);
  std::filesystem::remove(launch.errorFile);
  std::filesystem::remove(setFile);
}

TEST(RealWindowWayOut, StartUpErrorsEndPromptlyWhileTheSpeechServerHangs) {
  FaultySpeechServer speech(SpeechServerFault::kNeverAnswers);
  ASSERT_EQ(speech.error(), "");
  std::string errors = TemporaryFile("stderr");
  std::string soundFile = TemporaryFile("disk-start-up");

  // No display: the keyboard error is spoken and written, and the program ends.
  auto started = std::chrono::steady_clock::now();
  Launch headless("", soundFile);
  headless.errorFile = errors;
  pid_t game = StartGame(headless);
  ASSERT_GT(game, 0);
  int status = WaitForExit(game, 30s);
  auto took = std::chrono::steady_clock::now() - started;
  if (status == -1) kill(game, SIGKILL), waitpid(game, nullptr, 0);
  EXPECT_EQ(status, 1);
  EXPECT_LT(took, kWayOut);
  // SDL's own complaints about the missing display come first.
  EXPECT_THAT(ReadFile(errors), ::testing::EndsWith("\nERROR: Error initializing Keyboard.\n"));
  EXPECT_EQ(speech.connections(), 1) << "the error went to the hanging server";

  // A display but no sound device: the box, dismissed, ends the program.
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  pid_t player = DismissBoxFromOutside("ERROR");
  Launch noSound(xvfb.display(), soundFile);
  noSound.audioDriver = "no-such-driver";
  noSound.errorFile = errors;
  game = StartGame(noSound);
  ASSERT_GT(game, 0);
  EXPECT_TRUE(ExitedCleanly(player)) << "the ERROR box appeared and was dismissed";
  auto dismissed = std::chrono::steady_clock::now();
  status = WaitForExit(game, 30s);
  took = std::chrono::steady_clock::now() - dismissed;
  if (status == -1) kill(game, SIGKILL), waitpid(game, nullptr, 0);
  EXPECT_EQ(status, 1);
  EXPECT_LT(took, kWayOut);
  std::filesystem::remove(errors);
  std::filesystem::remove(soundFile);
}

// The footstep files replaced by named pipes that nobody writes: the game's first
// footstep must not stop it. It walks in silence and Escape ends it, promptly, with status
// 0. A game held in its load would ignore Escape and need a signal to end: the test then
// fails, lets the pipes go and kills it.
TEST(RealWindowWayOut, NamedPipesForFootstepsStopNeitherPlayNorTheWayOut) {
  namespace fs = std::filesystem;
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  const fs::path folder = TemporaryFile("pipes");
  const fs::path generated = fs::path(QUELMIRE_RUN_DIR) / "assets";
  std::vector<std::string> pipes;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(generated)) {
    const fs::path copy = folder / "assets" / fs::relative(entry.path(), generated);
    if (entry.is_directory()) {
      fs::create_directories(copy);
    } else if (copy.parent_path().filename() == "terrain" ||
               copy.parent_path().filename() == "steps") {
      ASSERT_TRUE(MakeFifo(copy.string()));
      pipes.push_back(copy.string());
    } else {
      fs::create_symlink(entry.path(), copy);
    }
  }
  ASSERT_FALSE(pipes.empty());
  std::string soundFile = TemporaryFile("disk-pipes");
  Launch launch(xvfb.display(), soundFile);
  launch.workDir = folder.string();
  pid_t game = StartGame(launch);
  ASSERT_GT(game, 0);
  std::string window = WindowPastTheIntro(soundFile);
  ASSERT_FALSE(window.empty()) << "the window never appeared";
  std::this_thread::sleep_for(1000ms);
  Shell("xdotool windowfocus --sync " + window + " keydown w");  // a few steps
  std::this_thread::sleep_for(3000ms);
  Shell("xdotool keyup w");
  int status = -1;
  for (int press = 0; press < 6 && status == -1; ++press) {
    Tap(window, "Escape");
    status = WaitForExit(game, 5s);
  }
  if (status == -1) {
    ADD_FAILURE() << "Escape did not end the game: it waits on a named pipe";
    kill(game, SIGKILL);
    ReleasePipeReaders(pipes);
    waitpid(game, nullptr, 0);
  }
  EXPECT_EQ(status, 0);
  fs::remove_all(folder);
  fs::remove(soundFile);
}

}  // namespace
