// The quelmire program itself in a real window on a private X display, its sound going
// to SDL's disk driver, driven from outside by xdotool as a player would drive it.
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

pid_t StartGame(const std::string& display, const std::string& soundFile) {
  std::vector<std::string> env = {"DISPLAY=" + display, "SDL_AUDIODRIVER=disk",
                                  "SDL_DISKAUDIOFILE=" + soundFile,
                                  "PATH=" + std::string(std::getenv("PATH")),
                                  "LSAN_OPTIONS=suppressions=" QUELMIRE_LSAN_SUPPRESSIONS};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "HOME"}) {
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = std::string(QUELMIRE_RUN_DIR) + "/quelmire";
  char* argv[] = {program.data(), nullptr};
  pid_t child = -1;
  if (chdir(QUELMIRE_RUN_DIR) != 0) return -1;
  if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  return child;
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

TEST(RealWindow, TheGameOpensItsWindowPlaysTheTitleAndQuitsOnEscape) {
  XvfbDisplay xvfb(1024, 768);
  ASSERT_FALSE(xvfb.display().empty()) << xvfb.error();
  setenv("DISPLAY", xvfb.display().c_str(), 1);
  std::string soundFile =
      (std::filesystem::temp_directory_path() / ("quelmire-disk-" + std::to_string(getpid())))
          .string();
  pid_t game = StartGame(xvfb.display(), soundFile);
  ASSERT_GT(game, 0);

  std::string window = Shell("timeout 60 xdotool search --sync --name 'Vorlent: The Quelmire'");
  ASSERT_FALSE(window.empty()) << "the window never appeared";
  EXPECT_EQ(Shell("xdotool getwindowname " + window), "Vorlent: The Quelmire");

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

  std::ifstream in(soundFile, std::ios::binary);
  std::vector<float> samples;
  float sample = 0;
  while (in.read(reinterpret_cast<char*>(&sample), sizeof sample)) samples.push_back(sample);
  std::filesystem::remove(soundFile);
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

}  // namespace
