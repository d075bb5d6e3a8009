// host/asset_home.h - the sound-folder search of audio/asset_search.h from this program's
// own folder, for both programs: the game, which moves to what it finds before it starts
// (when nothing is found the game's start-up check tells it), and the simulator, which
// also takes a folder given by name.
// Threads: the main thread, before the game starts (EnterAssetHome changes the working
// folder).
#pragma once

#include <string>

#include "audio/asset_search.h"

// FindAssetFolder for this program: `given` (UTF-8; empty for none) and the executable's
// folder as SDL reports it.
AssetSearch FindProgramAssetFolder(const std::string& given);

// Moves the working folder to the one holding the asset folder the search finds. Does
// nothing when none is found or it cannot be entered: the game's start-up check then
// tells the player.
void EnterAssetHome();
