// tools/sim/asset_folder.h - making the game's relative "assets/" name the folder the
// simulator found: --assets, else the first the game's own search finds
// (audio/asset_search.h). The game loads "assets/..." and "Assets/..." from the working
// folder, so the simulator moves there: to the folder's parent when it is named assets
// (in any letter case), else to a fresh private folder holding an "assets" link to it.
// Threads: the main thread, before the game starts (it changes the working folder).
#pragma once

#include <string>

struct AssetFolder {
  std::string error;    // one line; empty when the working folder is set
  std::string linkDir;  // the private folder made for the link; empty when none
};

// `path` (--assets) empty means the search's places. Fails, with the search's one line,
// when no asset folder is found.
// Until LeaveAssetFolder, SIGINT and SIGTERM remove the private folder before they end
// the process.
AssetFolder EnterAssetFolder(const std::string& path);

// Removes the private folder EnterAssetFolder made, if any.
void LeaveAssetFolder(const AssetFolder& folder);

// `path` made absolute against the working folder (empty stays empty).
std::string AbsolutePath(const std::string& path);
