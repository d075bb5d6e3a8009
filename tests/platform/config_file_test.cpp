// The settings file on the disk: where it lives, reading it, and replacing it so that it is
// never torn, even by a kill in the middle of a write; a folder that cannot be written is
// told once and nothing else happens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/config_file.h"
#include "platform/latest_text_writer.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

class ConfigFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("quelmire-config-" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override {
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(folder);
  }
  std::string At(const std::string& name) const { return (folder / name).string(); }

  std::string Read(const std::string& path) {
    std::string text, why;
    EXPECT_EQ(ReadConfigFile(path, 1 << 20, text, why), ReadResult::kRead) << why;
    return text;
  }

  fs::path folder;
};

#ifndef _WIN32
TEST_F(ConfigFile, LivesInTheFolderTheSystemNamesForIt) {
  struct Case {
    const char* xdg;  // nullptr: unset
    const char* home;
    std::string path;  // empty: none
  };
  const Case cases[] = {
      {"/x/conf", "/home/p", "/x/conf/quelmire/settings.ini"},
      {nullptr, "/home/p", "/home/p/.config/quelmire/settings.ini"},
      {"", "/home/p", "/home/p/.config/quelmire/settings.ini"},
      {"relative/conf", "/home/p", "/home/p/.config/quelmire/settings.ini"},
      {nullptr, nullptr, ""},
  };
  const std::string xdg = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  for (const Case& c : cases) {
    c.xdg ? setenv("XDG_CONFIG_HOME", c.xdg, 1) : unsetenv("XDG_CONFIG_HOME");
    c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
    std::string why;
    EXPECT_EQ(PlayerSettingsPath(why), c.path) << (c.xdg ? c.xdg : "(unset)");
    EXPECT_EQ(why.empty(), !c.path.empty());
  }
  xdg.empty() ? unsetenv("XDG_CONFIG_HOME") : setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  home.empty() ? unsetenv("HOME") : setenv("HOME", home.c_str(), 1);
}
#endif

#ifdef _WIN32
// Under Wine as on Windows: the player's own %APPDATA%, where the game writes it and reads
// it back.
TEST_F(ConfigFile, LivesInAppDataOnWindows) {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  ASSERT_NE(appData, nullptr);
  std::string why;
  const std::string path = PlayerSettingsPath(why);
  EXPECT_EQ(fs::path(path), fs::path(appData) / "Quelmire" / "settings.ini");
  std::string old;
  const bool had = ReadConfigFile(path, 1 << 20, old, why) == ReadResult::kRead;
  ASSERT_TRUE(ReplaceConfigFile(path, "volume = -3\n", why)) << why;
  EXPECT_TRUE(fs::is_regular_file(fs::path(appData) / "Quelmire" / "settings.ini"));
  EXPECT_EQ(Read(path), "volume = -3\n");
  ASSERT_TRUE(ReplaceConfigFile(path, "volume = -6\n", why)) << why;  // over the old one
  EXPECT_EQ(Read(path), "volume = -6\n");
  if (had) {
    ReplaceConfigFile(path, old, why);
  } else {
    fs::remove(fs::path(path));
  }
}
#endif

TEST_F(ConfigFile, ReadsARegularFileWithinItsLimitAndNothingElse) {
  std::ofstream(At("small.ini"), std::ios::binary) << "volume = -3\n";
  std::ofstream(At("big.ini")) << std::string(100, 'x');
  fs::create_directory(At("folder.ini"));
  struct Case {
    std::string name;
    ReadResult result;
  };
  for (const Case& c :
       {Case{"small.ini", ReadResult::kRead}, Case{"none.ini", ReadResult::kMissing},
        Case{"big.ini", ReadResult::kFailed}, Case{"folder.ini", ReadResult::kFailed}}) {
    std::string text, why;
    EXPECT_EQ(ReadConfigFile(At(c.name), 64, text, why), c.result) << c.name;
    EXPECT_EQ(why.empty(), c.result != ReadResult::kFailed) << c.name << ": " << why;
    if (c.result == ReadResult::kRead) {
      EXPECT_EQ(text, "volume = -3\n");
    }
  }
}

TEST_F(ConfigFile, ReplacingMakesTheFolderAndLeavesNothingBeside) {
  const std::string path = At("quelmire/settings.ini");
  for (const std::string text : {"first\n", "second, longer\n", ""}) {
    std::string why;
    ASSERT_TRUE(ReplaceConfigFile(path, text, why)) << why;
    EXPECT_EQ(Read(path), text);
  }
  EXPECT_FALSE(fs::exists(ReplacementPath(path)));
}

// Where the replacement cannot be written, or its folder made, the old file stays whole.
TEST_F(ConfigFile, AFolderThatCannotBeWrittenLeavesTheOldFileAndSaysWhy) {
  const std::string path = At("settings.ini");
  std::string why;
  ASSERT_TRUE(ReplaceConfigFile(path, "old\n", why));
  fs::create_directory(ReplacementPath(path));  // the replacement's name is taken
  EXPECT_FALSE(ReplaceConfigFile(path, "new\n", why));
  EXPECT_NE(why.find(".new"), std::string::npos) << why;
  EXPECT_EQ(Read(path), "old\n");
  fs::remove(ReplacementPath(path));

  std::ofstream(At("plain-file")) << "x";
  why.clear();
  EXPECT_FALSE(ReplaceConfigFile(At("plain-file/quelmire/settings.ini"), "new\n", why));
  EXPECT_NE(why.find("folder"), std::string::npos) << why;

#ifndef _WIN32
  if (geteuid() != 0) {  // permissions do not hold the superuser back
    fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
    why.clear();
    EXPECT_FALSE(ReplaceConfigFile(path, "new\n", why));
    EXPECT_EQ(Read(path), "old\n");
  }
#endif
}

TEST_F(ConfigFile, TheWriterTellsAFailureOnceAndWritesTheNewestText) {
  fs::create_directory(At("settings.ini.new"));
  ::testing::internal::CaptureStderr();
  {
    LatestTextWriter writer(At("settings.ini"), "settings");
    for (int i = 0; i < 3; ++i) {
      writer.Post("volume = -3\n");
      EXPECT_TRUE(writer.Finish(5000));
    }
  }
  const std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
  EXPECT_NE(told.find("settings could not be saved"), std::string::npos) << told;
  EXPECT_FALSE(fs::exists(At("settings.ini")));

  fs::remove(At("settings.ini.new"));
  {
    LatestTextWriter writer(At("settings.ini"), "settings");
    for (int db = 0; db >= -30; db -= 3) writer.Post("volume = " + std::to_string(db) + "\n");
    EXPECT_TRUE(writer.Finish(5000));
    EXPECT_EQ(Read(At("settings.ini")), "volume = -30\n");
  }
}

#ifndef _WIN32
// A child replaces the file over and over with two texts of different lengths and is killed
// at a different moment each round: the file is then one text or the other, whole, and the
// next replacement goes through whatever the kill left beside it.
TEST_F(ConfigFile, AKillDuringAReplacementLeavesTheOldFileOrTheNewNeverATornOne) {
  const std::string path = At("settings.ini");
  const std::string a(700, 'a'), b(9000, 'b');
  std::string why;
  ASSERT_TRUE(ReplaceConfigFile(path, a, why)) << why;
  for (int round = 0; round < 12; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        std::string ignored;
        ReplaceConfigFile(path, i % 2 == 0 ? b : a, ignored);
      }
    }
    usleep(static_cast<useconds_t>(300 + 700 * round));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string text = Read(path);
    EXPECT_TRUE(text == a || text == b) << "round " << round << ": " << text.size() << " bytes";
  }
  ASSERT_TRUE(ReplaceConfigFile(path, "after\n", why)) << why;
  EXPECT_EQ(Read(path), "after\n");
}
#endif

}  // namespace
