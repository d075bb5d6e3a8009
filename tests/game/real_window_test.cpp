// The quelmire program itself in a real window on a private X display, its sound going
// to SDL's disk driver, driven from outside by xdotool as a player would drive it; and
// where it finds its sound files when started from another folder.
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
#include <string>
#include <thread>
#include <vector>

#include "tests/host/sdl/child_process.h"
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

// Starts `program` (the build's own by default) in the working folder `workDir`. A
// private speech server's address, when a test started one, goes along.
pid_t StartGame(const std::string& display, const std::string& soundFile,
                std::string program = QUELMIRE_RUN_DIR "/quelmire",
                const std::string& workDir = QUELMIRE_RUN_DIR) {
  std::vector<std::string> env = {"DISPLAY=" + display, "SDL_AUDIODRIVER=disk",
                                  "SDL_DISKAUDIOFILE=" + soundFile,
                                  "PATH=" + std::string(std::getenv("PATH")),
                                  "LSAN_OPTIONS=suppressions=" QUELMIRE_LSAN_SUPPRESSIONS};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "HOME",
                           "SPEECHD_ADDRESS", "XDG_CONFIG_HOME"}) {
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {program.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  pid_t child = -1;
  int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed != 0 ? -1 : child;
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
  return (std::filesystem::temp_directory_path() / ("quelmire-disk-" + std::to_string(getpid())))
      .string();
}

// Plays `program` from `workDir` as a player would: the title for a while, Space, Escape
// (the intro), Escape (quits play). Checks the window, the exit status 0 and that the
// title music was heard.
void PlayTitleAndQuit(const std::string& program, const std::string& workDir) {
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  std::string soundFile = DiskAudioFile();
  pid_t game = StartGame(xvfb.display(), soundFile, program, workDir);
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
// end with status 0, instead of a game that plays in silence.
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
  pid_t game = StartGame(xvfb.display(), soundFile, program, workDir);
  ASSERT_GT(game, 0);
  EXPECT_TRUE(ExitedCleanly(player)) << "the ERROR box appeared and was closed";
  int status = WaitForExit(game, 30s);
  if (status == -1) kill(game, SIGKILL), waitpid(game, nullptr, 0);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(server.WaitFor("Error finding the sound files: no assets folder.", 10s))
      << "the error is spoken";
  std::vector<float> samples = ReadDiskAudio(soundFile);
  EXPECT_EQ(Rms(samples, 0, 1e9), 0.0) << "nothing is played";
}

}  // namespace
