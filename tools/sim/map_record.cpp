#include "tools/sim/map_record.h"

#include <cmath>

void MapRecord::TakeWorld() {
  GameGlobals& g = Game();
  hasWorld = true;
  fieldWidth = g.fieldWidth;
  fieldHeight = g.fieldHeight;
  tunnel = g.tunnel;
  keepOut = g.keepOutArea;
  obstacles.clear();
  for (int32_t o = 1; o <= g.obstacleCount; ++o) obstacles.push_back(g.obstacles[o]);
  for (int32_t k = 1; k <= 8; ++k) pages[k - 1] = {{g.pages[k].x, g.pages[k].y}, false};
  start = {g.player.x, g.player.y};
  playerPath = {start};
}

void MapRecord::Extend(std::vector<MapPoint>& path, MapPoint point) {
  if (!path.empty()) {
    float dx = point.x - path.back().x, dy = point.y - path.back().y;
    if (std::hypot(dx, dy) < kPathStep) return;
  }
  path.push_back(point);
}
