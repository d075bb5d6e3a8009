// tools/sim/options.h - the simulator's command line.
// Threads: any; no shared state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SimOptions {
  std::optional<int32_t> seed;  // RandomSeed's argument; none: the game seeds itself
  std::string scriptPath;       // the input script; empty: none
  bool quickStart = false;      // Space, then Escape, so that play begins at once
  uint64_t limitMs = 0;         // virtual ms since the start of the run; 0: no limit
  bool worldOnly = false;       // print the world as one JSON line and exit
  bool rulesOnly = false;       // print the game's rules as one JSON line and exit
  bool ringOnly = false;        // print the headphones' ring at `rate` as one JSON line and exit
  std::string tracePath;        // JSON lines; empty: no trace
  bool traceTicks = false;      // a "tick" line for every tick
  std::string wavPath;          // 16-bit stereo WAV of the mix; empty: none
  std::string mapPath;          // SVG picture of the world; empty: none
  std::string assetsPath;       // the folder the game's "assets/" names; empty: ./assets
  int32_t rate = 48000;         // frames per second of the mix, 8000 .. 192000
  bool live = false;            // driven step by step through stdin and stdout (LIVE.md)
  bool binaural = false;        // positioned sounds through head-related filters (headphones)
  std::string recordPath;       // live: the input received, as a script; empty: none
  std::string settingsPath;     // the player's settings to start from; empty: the defaults
  bool help = false;
};

struct ParsedOptions {
  SimOptions options;
  std::string error;  // one line; empty when the command line was understood
};

// Reads argv[1..argc-1]. Every option but the flags takes the next argument.
ParsedOptions ParseSimOptions(const std::vector<std::string>& args);

// A 32-bit seed: decimal or 0x hex, an optional minus sign; -2^31 .. 2^32 - 1, values
// from 2^31 up wrapping to the negative half. None for anything else.
std::optional<int32_t> ParseSeed(const std::string& text);

// The usage text, several lines.
std::string SimUsage();
