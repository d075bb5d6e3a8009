// host/sdl/asset_home.h - where the real program finds its sound files. The game reads
// "assets/..." relative to the working folder; a player may start it from anywhere (a
// desktop menu starts it in the home folder), so before the game starts the host moves
// to the first folder that holds an asset folder (named "assets" in any letter case):
//   1. the working folder, as it is;
//   2. the executable's own folder (an unpacked zip, a build's run folder);
//   3. ../share/games/quelmire/ from the executable's folder (an install under /usr,
//      /usr/local or any other prefix, the program in bin/ or games/).
// When none holds one, the working folder stays as it is and the game's start-up check
// names the missing folder. Only the folder is looked for, never a single file.
// Threads: the main thread, before the game starts (it changes the working folder).
#pragma once

// Moves the working folder to the first of the folders above that holds an asset folder
// (the executable's folder as SDL reports it). Does nothing when the working folder has
// one, or when none has.
void EnterAssetHome();
