// tools/sim/world_line.h - the world as one JSON line, and the --world run that builds
// a seed's world without playing.
// Threads: the game's main thread (reads the game state).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The world the game state holds now (after GenerateWorld and PlacePlayer):
// {"seed":N,"tunnel":R,"keepOut":R,"obstacles":[R x 100],"pages":[{"number":1,"x":X,"y":Y}
// x 8],"player":{"x":X,"y":Y}}, "seed" left out when there is none.
std::string WorldLine(std::optional<int32_t> seed);

// Installs a headless host, seeds the generator with `seed`, builds the world as play
// would (no title, no sound) and returns its line. Any number of times, while no game
// runs in the process.
std::string BuildWorldLine(int32_t seed);
