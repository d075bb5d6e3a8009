// audio/asset_search.h - where the sound files are: the one search the game and the
// simulator share. The game reads "assets/..." relative to the working folder, and a
// player may start it from anywhere (a desktop menu starts it in the home folder), so
// before the game starts its program looks for the folder and moves to the one that holds
// it. The places, in order, each looked at for a folder named "assets" in any letter case:
//   1. the working folder, as it is;
//   2. the program's own folder (an unpacked zip, a build's run folder);
//   3. ../share/games/quelmire/ from the program's folder (an install under /usr,
//      /usr/local or any other prefix, the program in bin/ or games/);
//   4. ../../../share/games/quelmire/ from the program's folder (the same install's
//      helper programs, kept off the players' PATH in lib/games/quelmire/).
// A folder given by name (the simulator's --assets, of any name) is looked at first and
// then alone: a wrong name is told, never passed over for other sounds than those asked
// for. Only the folder is looked for, never a single file.
// Threads: any thread; reads the file system only.
#pragma once

#include <string>

// What the game shows at start, and the simulator prints, when the search finds nothing.
inline constexpr char kNoAssetFolder[] = "Error finding the sound files: no assets folder.";

struct AssetSearch {
  std::string folder;  // the asset folder found, absolute (UTF-8); empty when none
  std::string error;   // one line when none was found (kNoAssetFolder, naming a given
                       // folder); empty otherwise
};

// The first asset folder of the places above. `given` (UTF-8) empty means none was given;
// `programFolder` (UTF-8) empty, that the program's folder is not known: places 2 to 4
// are then not looked at.
AssetSearch FindAssetFolder(const std::string& given, const std::string& programFolder);

// True when `folder` (UTF-8) holds a folder named "assets" in any letter case.
bool HoldsAssetFolder(const std::string& folder);
