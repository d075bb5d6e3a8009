// The search for the sound files' folder that the game and the simulator share: its
// places in order, the folder in any letter case, what is not a folder passed over, and a
// folder given by name looked at alone.
#include "audio/asset_search.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "runtime/utf8_path.h"
#include "sound_files.h"

namespace {

// Paths relative to a fresh root; the search runs with <root>/work as the working folder.
struct SearchRow {
  const char* name;
  std::vector<const char*> folders;
  std::vector<const char*> files;
  const char* given;    // "" for none
  const char* program;  // the program's folder; "" when it is not known
  const char* found;    // "" for none
};

const SearchRow kRows[] = {
    {"the working folder first", {"work/assets", "bin/assets"}, {}, "", "bin", "work/assets"},
    {"beside the program before the data folder",
     {"work", "p/games/assets", "p/share/games/quelmire/assets"},
     {},
     "",
     "p/games",
     "p/games/assets"},
    {"the data folder, in any letter case",
     {"work", "u/games", "u/share/games/quelmire/Assets"},
     {},
     "",
     "u/games",
     "u/share/games/quelmire/Assets"},
    {"the data folder from the helper programs' folder",
     {"work", "usr/lib/games/quelmire", "usr/share/games/quelmire/assets"},
     {},
     "",
     "usr/lib/games/quelmire",
     "usr/share/games/quelmire/assets"},
    {"one step up before three",
     {"work", "p/lib/games/share/games/quelmire/assets", "p/share/games/quelmire/assets",
      "p/lib/games/quelmire"},
     {},
     "",
     "p/lib/games/quelmire",
     "p/lib/games/share/games/quelmire/assets"},
    {"a file named assets passed over",
     {"work", "bin/assets"},
     {"work/assets"},
     "",
     "bin",
     "bin/assets"},
    {"no program folder: the working folder alone", {"work", "bin/assets"}, {}, "", "", ""},
    {"a given folder of any name first", {"work/assets", "sounds"}, {}, "sounds", "bin", "sounds"},
    {"a given name that is no folder is not passed over",
     {"work/assets", "bin/assets"},
     {"sounds"},
     "sounds",
     "bin",
     ""},
    {"nothing anywhere", {"work", "bin"}, {}, "", "bin", ""},
};

TEST(AssetSearch, EachLayoutFindsItsFolderOrTellsTheOneLine) {
  for (const SearchRow& row : kRows) {
    SCOPED_TRACE(row.name);
    TempFolder root;
    for (const char* folder : row.folders) fs::create_directories(root.path() / folder);
    for (const char* file : row.files) std::ofstream{root.path() / file};
    // Forward slashes: the line quotes the name with a backslash escaped.
    const std::string given = *row.given ? (root.path() / row.given).generic_string() : "";
    // SDL gives the program's folder with a separator at its end.
    const std::string program = *row.program ? root / row.program + "/" : "";
    const fs::path previous = fs::current_path();
    fs::current_path(root.path() / "work");
    const AssetSearch search = FindAssetFolder(given, program);
    fs::current_path(previous);
    if (!*row.found) {
      EXPECT_EQ(search.folder, "");
      const std::string named = given.empty() ? "" : " '" + given + "'";
      EXPECT_EQ(search.error, "Error finding the sound files: no assets folder" + named + ".");
      continue;
    }
    EXPECT_EQ(search.error, "");
    const fs::path found = PathFromUtf8(search.folder);
    EXPECT_TRUE(found.is_absolute()) << search.folder;
    std::error_code error;
    EXPECT_TRUE(fs::equivalent(found, root.path() / row.found, error)) << search.folder;
#ifndef _WIN32
    // Windows finds a folder by any letter case under the name it was asked for.
    EXPECT_EQ(found.filename(), fs::path(row.found).filename()) << "the name as it is written";
#endif
  }
}

}  // namespace
