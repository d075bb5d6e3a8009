// The SDL2 device on SDL's dummy and disk drivers: opening, real output, failing cleanly,
// and carrying on when the device is lost.
#include "host/audio/sdl_audio_output.h"

#include <gtest/gtest.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

#include "audio/sound.h"
#include "audio/sound_engine.h"

namespace {

#ifdef _WIN32
// The C library's own names there; both also change what SDL reads of the environment.
int setenv(const char* name, const char* value, int) {
  return _putenv_s(name, value);
}
int unsetenv(const char* name) {
  return _putenv_s(name, "");
}
#endif

DecodedSound Constant(float value, int64_t frames) {
  DecodedSound sound;
  sound.channels = 1;
  sound.rate = 48000;
  sound.bitsPerSample = 32;
  sound.floatSource = true;
  sound.frames = frames;
  sound.samples.assign(static_cast<size_t>(frames), value);
  return sound;
}

// Waits in real time until `done` holds, at most `ms` milliseconds.
bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class SdlOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("quelmire-sdl-audio-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    InstallAudioOutput(&output);
  }
  void TearDown() override {
    SoundShutdown();
    InstallAudioOutput(nullptr);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    std::filesystem::remove_all(folder);
  }
  void UseDriver(const char* driver) { setenv("SDL_AUDIODRIVER", driver, 1); }
  std::string DiskFile(const char* name) {
    const std::string path = (folder / name).string();
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    return path;
  }

  std::filesystem::path folder;
  SdlAudioOutput output;
};

TEST_F(SdlOutput, DummyDriverOpensAt48kHzWithSmallBuffersAndSoundsRunToTheirEnd) {
  UseDriver("dummy");
  ASSERT_EQ(SoundInit(), 1);
  EXPECT_EQ(SoundInit(), 1);
  EXPECT_EQ(output.deviceRate(), 48000);
  EXPECT_GT(output.bufferFrames(), 0);
  EXPECT_LE(output.bufferFrames(), 512);
  int32_t once = SoundLoadDecoded(-1, Constant(0.5f, 48000 / 5));  // 200 ms
  int32_t looped = SoundLoadDecoded(-1, Constant(0.5f, 480));
  ASSERT_EQ(SoundPlay(once, 0, 100), 1);
  ASSERT_EQ(SoundPlay(looped, 1, 100), 1);
  EXPECT_EQ(SoundIsPlaying(once), 1);
  EXPECT_TRUE(WaitFor([&] { return SoundIsPlaying(once) == 0; }, 5000));
  EXPECT_EQ(SoundIsPlaying(looped), 1);
}

std::vector<float> ReadFloats(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<float> floats(bytes.size() / sizeof(float));
  if (!floats.empty()) std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
  return floats;
}

TEST_F(SdlOutput, DiskDriverReceivesTheMix) {
  UseDriver("disk");
  const std::string path = DiskFile("out.raw");
  ASSERT_EQ(SoundInit(), 1);
  int32_t sound = SoundLoadDecoded(-1, Constant(0.25f, 9600));  // 200 ms, played once
  SoundSetPan(sound, 100);                                      // left silent
  ASSERT_EQ(SoundPlay(sound, 0, 100), 1);
  // The driver writes in real time, a buffer at a time, and on a loaded machine its thread
  // may get far less than any time slept: the test waits until the sound has been pulled
  // to its end. Each buffer is written as soon as it is pulled, and the file is read once
  // the device is closed (not every system shows a file's growth while it is open).
  EXPECT_TRUE(WaitFor([&] { return SoundIsPlaying(sound) == 0; }, 10000));
  SoundShutdown();
  std::vector<float> written = ReadFloats(path);
  ASSERT_GT(written.size(), 2u * 4800);
  int64_t right = 0, left = 0;
  for (size_t i = 0; i < written.size(); i += 2) {
    left += written[i] != 0.0f;
    right += written[i + 1] == 0.25f;
  }
  EXPECT_EQ(left, 0);
  EXPECT_GT(right, 4800);  // at least a tenth of a second of the sound, on the right only
}

TEST_F(SdlOutput, UnknownDriverFailsSoundInitCleanlyAndAnotherCanFollow) {
  UseDriver("nonexistent");
  EXPECT_EQ(SoundInit(), 0);
  EXPECT_EQ(SoundLoadDecoded(-1, Constant(0.5f, 100)), 0);
  EXPECT_EQ(output.deviceRate(), 0);
  UseDriver("dummy");
  EXPECT_EQ(SoundInit(), 1);
}

// The disk driver treats a failed write as a lost device. A file size limit makes its
// writes fail after a few buffers; each reopen truncates the file and the cycle repeats.
class LostDevice : public SdlOutput {
 protected:
#ifdef _WIN32
  // Windows has no file size limit to make the writes fail, and keeps a folder whose
  // file is open from being removed: neither way of losing the device exists there.
  void SetUp() override {
    GTEST_SKIP() << "no file size limits on Windows";
  }
#else
  void SetUp() override {
    SdlOutput::SetUp();
    std::signal(SIGXFSZ, SIG_IGN);  // a refused write, not the end of the process
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 64 * 1024;  // about 16 buffers, 170 ms
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  void TearDown() override {
    SdlOutput::TearDown();
    setrlimit(RLIMIT_FSIZE, &saved);
  }
  rlimit saved{};
#endif
};

TEST_F(LostDevice, TheDefaultDeviceIsReopenedAndEverySoundCarriesOn) {
  UseDriver("disk");
  DiskFile("lost.raw");
  ASSERT_EQ(SoundInit(), 1);
  int32_t looped = SoundLoadDecoded(-1, Constant(0.5f, 480));
  int32_t once = SoundLoadDecoded(-1, Constant(0.5f, 48000 * 6 / 10));  // 600 ms
  SoundSetVolume(looped, 30);
  SoundSetPan(looped, -40);
  SoundPlay(looped, 1, -1);
  SoundPlay(once, 0, 100);
  EXPECT_TRUE(WaitFor([&] { return output.reopenCount() >= 2; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return SoundIsPlaying(once) == 0; }, 5000));
  EXPECT_EQ(SoundIsPlaying(looped), 1);
  SoundLevels levels;
  ASSERT_EQ(SoundGetLevels(looped, levels), 1);
  EXPECT_EQ(levels.levelCb, -1046);
  EXPECT_EQ(levels.panCb, -(10000 - 9556));
}

TEST_F(LostDevice, WithNoDeviceToBeHadTheClockPacesTheMixerUntilOneReturns) {
  // The device's file lives in a folder of its own; while that folder is gone, no reopen
  // can succeed. (The environment stays as it is: SDL reads it on the watchdog's thread.)
  const auto device = folder / "device";
  std::filesystem::create_directories(device);
  UseDriver("disk");
  setenv("SDL_DISKAUDIOFILE", (device / "out.raw").string().c_str(), 1);
  ASSERT_EQ(SoundInit(), 1);
  int32_t once = SoundLoadDecoded(-1, Constant(0.5f, 48000 * 8 / 10));  // 800 ms
  std::filesystem::remove_all(device);
  SoundPlay(once, 0, 100);
  EXPECT_TRUE(WaitFor([&] { return output.silent(); }, 5000));
  EXPECT_TRUE(WaitFor([&] { return SoundIsPlaying(once) == 0; }, 5000));
  EXPECT_EQ(output.reopenCount(), 0);

  std::filesystem::create_directories(device);
  EXPECT_TRUE(WaitFor([&] { return output.reopenCount() >= 1; }, 5000));
  SoundPlay(once, 0, 100);
  EXPECT_EQ(SoundIsPlaying(once), 1);
}

}  // namespace
