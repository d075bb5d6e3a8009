#include "tools/sim/world_line.h"

#include "game/game.h"
#include "game/state.h"
#include "host/headless/headless_host.h"
#include "runtime/random.h"
#include "tools/sim/json_text.h"

std::string WorldLine(std::optional<int32_t> seed) {
  GameGlobals& g = Game();
  std::string line = "{";
  if (seed) line += "\"seed\":" + std::to_string(*seed) + ",";
  line += "\"tunnel\":" + JsonRect(g.tunnel) + ",\"keepOut\":" + JsonRect(g.keepOutArea);
  line += ",\"obstacles\":[";
  for (int32_t o = 1; o <= g.obstacleCount; ++o) {
    if (o > 1) line += ",";
    line += JsonRect(g.obstacles[o]);
  }
  line += "],\"pages\":[";
  for (int32_t k = 1; k <= 8; ++k) {
    const Page& page = g.pages[k];
    if (k > 1) line += ",";
    line += "{\"number\":" + std::to_string(k) + ",\"x\":" + JsonFloat(page.x) +
            ",\"y\":" + JsonFloat(page.y) + "}";
  }
  line += "],\"player\":" + JsonPoint(g.player.x, g.player.y) + "}";
  return line;
}

std::string BuildWorldLine(int32_t seed) {
  std::string line;
  RunHeadless({}, [&] {
    ClearGameGlobals();  // a dump after another in the same process starts from zero
    GameThreadVarsStart();
    SetStartGlobals();
    SetGameStartValues();
    // Nothing above draws: the world is the first use of the generator, as in play.
    RandomSeed(seed);
    GenerateWorld();
    PlacePlayer();
    line = WorldLine(seed);
  });
  return line;
}
