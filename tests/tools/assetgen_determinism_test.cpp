// The generator makes the same bytes every time: two fresh runs write the same set of
// files with identical contents, the same as the build's own tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> ReadTree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), root).string()] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

// Runs the generator into an empty folder; a .wav left from an older generator (a
// renamed sound) must be gone afterwards.
fs::path FreshRun(const std::string& name) {
  fs::path dir = fs::path(QUELMIRE_SCRATCH_DIR) / name;
  fs::remove_all(dir);
  fs::create_directories(dir / "assets" / "renamed");
  std::ofstream(dir / "assets" / "renamed" / "old.wav") << "stale";
  std::string command =
      std::string("\"") + QUELMIRE_ASSETGEN + "\" \"" + dir.string() + "\" > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_FALSE(fs::exists(dir / "assets" / "renamed" / "old.wav"));
  return dir;
}

TEST(AssetGenerator, TwoRunsWriteIdenticalTrees) {
  std::map<std::string, std::string> first = ReadTree(FreshRun("first"));
  std::map<std::string, std::string> second = ReadTree(FreshRun("second"));
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(first.size(), second.size());
  for (const auto& [path, bytes] : first) {
    auto other = second.find(path);
    ASSERT_NE(other, second.end()) << path << " missing from the second run";
    EXPECT_TRUE(bytes == other->second) << path << " differs between runs";
  }
  // The build's own tree came from the same generator, so it matches too.
  std::map<std::string, std::string> built = ReadTree(fs::path(QUELMIRE_RUN_DIR) / "assets");
  for (const auto& [path, bytes] : first) {
    std::string inTree = path.substr(std::string("assets/").size());
    auto other = built.find(inTree);
    ASSERT_NE(other, built.end()) << path << " missing from the build's tree";
    EXPECT_TRUE(bytes == other->second) << path << " differs from the build's tree";
  }
}

}  // namespace
