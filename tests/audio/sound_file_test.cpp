// Loading from disk: files made by sox in every accepted encoding against sox's own
// float conversion, names that are not regular files, and finding files whose names
// differ only in letter case.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "audio/file_image.h"
#include "audio/path_lookup.h"
#include "audio/sound_file.h"
#include "sound_files.h"
#include "special_files.h"

namespace {

using ::testing::HasSubstr;

struct SoxCase {
  const char* format;  // sox output options
  int channels;
  int rate;
  int bits;
  bool floatSource;
  uint16_t tag;  // the format tag sox writes
};

TEST(SoxFiles, EveryAcceptedEncodingMatchesSoxsOwnConversion) {
  SKIP_WITHOUT_SOUND_TOOLS();
  TempFolder folder;
  const SoxCase cases[] = {
      {"-b 8 -e unsigned", 1, 8000, 8, false, 1},
      {"-b 16 -e signed", 2, 44100, 16, false, 1},
      {"-b 16 -e signed", 1, 192000, 16, false, 1},
      {"-b 24 -e signed", 1, 48000, 24, false, 0xFFFE},
      {"-b 32 -e signed", 2, 96000, 32, false, 0xFFFE},
      {"-b 32 -e floating-point", 1, 22050, 32, true, 3},
      {"-b 32 -e floating-point", 2, 16000, 32, true, 3},
  };
  int n = 0;
  for (const SoxCase& c : cases) {
    std::string file = folder / ("tone" + std::to_string(++n) + ".wav");
    SCOPED_TRACE(std::string(c.format) + " channels " + std::to_string(c.channels));
    ASSERT_TRUE(MakeTone(file, c.format, c.channels, c.rate, 0.1));
    std::vector<uint8_t> bytes = ReadBytes(file);
    EXPECT_EQ(bytes[20] | bytes[21] << 8, c.tag);

    SoundFileResult result = LoadSoundFile(file);
    ASSERT_TRUE(result.loaded) << result.refusal;
    EXPECT_EQ(result.sound.channels, c.channels);
    EXPECT_EQ(result.sound.rate, c.rate);
    EXPECT_EQ(result.sound.bitsPerSample, c.bits);
    EXPECT_EQ(result.sound.floatSource, c.floatSource);
    EXPECT_EQ(result.sound.frames, c.rate / 10);

    std::vector<float> expected = SoxFloats(file, folder / "expected.f32");
    ASSERT_EQ(result.sound.samples.size(), expected.size());
    float worst = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      worst = std::max(worst, std::abs(result.sound.samples[i] - expected[i]));
    }
    EXPECT_LE(worst, 1e-7f);  // a 24-bit step is 1.2e-7
  }
}

TEST(SoundFileFromDisk, MissingUnreadableAndEmptyFilesAreRefused) {
  TempFolder folder;
  EXPECT_THAT(LoadSoundFile(folder / "absent.wav").refusal, HasSubstr("no such file"));
  EXPECT_FALSE(LoadSoundFile(folder.path().string()).loaded);  // a folder
  WriteBytes(folder / "empty.wav", {});
  EXPECT_FALSE(LoadSoundFile(folder / "empty.wav").loaded);
  EXPECT_FALSE(LoadSoundFile("").loaded);
}

#ifndef _WIN32
// Whatever is not a regular file is refused at once and never read: a named pipe without
// a writer (which would hold a plain open for ever), devices, folders, sockets, links to
// any of them, and names found only by ignoring case. A regular file past the size limit
// is refused before a byte of it is read.
TEST(SoundFileFromDisk, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
  TempFolder folder;
  const std::string pipe = folder / "pipe.wav";
  ASSERT_TRUE(MakeFifo(pipe));
  fs::create_symlink(pipe, folder / "pipe link.wav");
  fs::create_directory(folder / "folder.wav");
  fs::create_directory_symlink(folder / "folder.wav", folder / "folder link.wav");
  fs::create_symlink("/dev/zero", folder / "zero link.wav");
  int socket = MakeSocketFile(folder / "socket.wav");
  ASSERT_GE(socket, 0);
  fs::create_symlink(folder / "socket.wav", folder / "socket link.wav");
  {
    std::ofstream huge(folder / "huge.wav", std::ios::binary);  // sparse: no disk taken
  }
  fs::resize_file(folder / "huge.wav", kMaxFileImageBytes + 1);

  struct Row {
    std::string path;
    const char* refusal;
  };
  std::vector<Row> rows = {
      {pipe, "a named pipe, not a regular file"},
      {folder / "pipe link.wav", "a named pipe"},
      {folder / "PIPE.WAV", "a named pipe"},  // found ignoring case
      {folder / "folder.wav", "a folder, not a regular file"},
      {folder / "folder link.wav", "a folder"},
      {folder / "zero link.wav", "a character device, not a regular file"},
      {folder / "socket.wav", "a socket, not a regular file"},
      {folder / "socket link.wav", "a socket"},
      {folder / "huge.wav", "file larger than 1 GiB"},
  };
  for (const char* device : {"/dev/zero", "/dev/random", "/dev/urandom", "/dev/null", "/dev/tty"}) {
    if (fs::exists(device)) rows.push_back({device, "a character device, not a regular file"});
  }
  for (const char* device : {"/dev/loop0", "/dev/sda", "/dev/vda", "/dev/nvme0n1"}) {
    if (fs::is_block_file(device)) rows.push_back({device, "a block device, not a regular file"});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    SoundFileResult result = WithinBound(std::bind(LoadSoundFile, row.path), {pipe});
    EXPECT_FALSE(result.loaded);
    EXPECT_THAT(result.refusal, HasSubstr(row.refusal));
  }
  close(socket);
}

// The name is looked at through the opened file, not only before it is opened: a pipe
// put in a regular file's place while loads go on is never waited on, and what loads is
// the regular file whole.
TEST(SoundFileFromDisk, APipeSwappedInForAFileIsNeverWaitedOn) {
  TempFolder folder;
  const std::string name = folder / "step.wav", file = folder / "file", pipe = folder / "pipe";
  ASSERT_TRUE(MakeTone(file, "-b 16 -e signed", 1, 8000, 0.01));
  ASSERT_TRUE(MakeFifo(pipe));
  std::atomic<bool> done{false};
  std::thread swapper([&] {
    while (!done.load(std::memory_order_relaxed)) {
      fs::rename(file, name);
      fs::rename(name, file);
      fs::rename(pipe, name);
      fs::rename(name, pipe);
    }
  });
  for (int i = 0; i < 2000 && !testing::Test::HasFailure(); ++i) {
    SoundFileResult result = WithinBound(std::bind(LoadSoundFile, name), {name, pipe});
    if (result.loaded) {
      EXPECT_EQ(result.sound.frames, 80);
    } else {
      EXPECT_THAT(result.refusal, testing::AnyOf(HasSubstr("named pipe"), HasSubstr("no such file"),
                                                 HasSubstr("No such file")));
    }
  }
  done = true;
  swapper.join();
}
#endif

class CaseLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_SOUND_TOOLS();
    fs::create_directories(folder.path() / "Assets" / "Terrain");
    ASSERT_TRUE(MakeTone(folder / "Assets/Terrain/Grass1.wav", "-b 16 -e signed", 1, 22050, 0.01));
  }
  TempFolder folder;
};

TEST_F(CaseLookup, EachFolderAndTheFileNameMatchIgnoringCase) {
  std::string exact = folder / "Assets/Terrain/Grass1.wav";
  EXPECT_EQ(FindPathIgnoringCase(exact), exact);
  EXPECT_EQ(FindPathIgnoringCase(folder / "assets/terrain/grass1.WAV"), exact);
  EXPECT_EQ(FindPathIgnoringCase(folder / "ASSETS/Terrain/./GRASS1.wav"),
            folder / "Assets/Terrain/./Grass1.wav");
  EXPECT_EQ(FindPathIgnoringCase(folder / "assets/terrain/grass2.wav"), "");
  EXPECT_EQ(FindPathIgnoringCase(folder / "assets/terrain/grass1.wav/more"), "");
  EXPECT_TRUE(LoadSoundFile(folder / "assets/TERRAIN/grass1.wav").loaded);
}

TEST_F(CaseLookup, RelativePathsFromTheWorkingFolder) {
  fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  SoundFileResult lower = LoadSoundFile("assets/terrain/grass1.wav");
  SoundFileResult upper = LoadSoundFile("Assets/Terrain/Grass1.wav");
  std::string found = FindPathIgnoringCase("assets/terrain/grass1.wav");
  fs::current_path(previous);
  EXPECT_TRUE(lower.loaded) << lower.refusal;
  EXPECT_TRUE(upper.loaded) << upper.refusal;
  EXPECT_EQ(found, "Assets/Terrain/Grass1.wav");
}

TEST_F(CaseLookup, NamesDifferingOnlyInCaseResolveTheSameWayEveryTime) {
  fs::copy_file(folder / "Assets/Terrain/Grass1.wav", folder / "Assets/Terrain/GRASS1.wav");
  // Neither spelling exists as written: the smaller name in byte order wins.
  EXPECT_EQ(FindPathIgnoringCase(folder / "assets/terrain/grass1.wav"),
            folder / "Assets/Terrain/GRASS1.wav");
  EXPECT_TRUE(EqualIgnoringAsciiCase("Grass\xC3\xA9", "gRASS\xC3\xA9"));
  EXPECT_FALSE(EqualIgnoringAsciiCase("grass\xC3\xA9", "grass\xC3\x89"));  // é is not É here
}

}  // namespace
