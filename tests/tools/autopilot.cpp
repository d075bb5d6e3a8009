#include "autopilot.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <queue>
#include <tuple>
#include <utility>

#include "game/game_math.h"
#include "game/rules.h"

namespace {

constexpr double kCell = 0.5;    // grid step, world units
constexpr int kCells = 301;      // 0 .. 150 in steps of kCell
constexpr double kMargin = 0.8;  // clearance kept from obstacles and walls by the grid
constexpr double kLineMargin = 0.6;
constexpr double kTightMargin = 0.3;  // nearer than this to a wall the grid never goes
constexpr double kTightCost = 10;     // the cost of a step between kTightMargin and kMargin  //
                                      // clearance a straightened leg keeps
// A page is reached this near (taking needs under 3); the second for a page wedged
// between obstacles.
constexpr double kReaches[] = {1.5, 2.6};
constexpr int kLegTicks = 125;   // at most 5 units walked before aiming again
constexpr double kClose = 0.25;  // a corner this near is passed

double BoxDistance(const Box& b, double x, double y) {
  double dx = std::max({b.xMin - x, 0.0, x - b.xMax});
  double dy = std::max({b.yMin - y, 0.0, y - b.yMax});
  return std::hypot(dx, dy);
}

class Field {
 public:
  explicit Field(const PilotWorld& world) {
    walls_ = world.obstacles;
    // A step that ends on the band of a tunnel wall is pushed back: the bands are walls.
    const Box& t = world.tunnel;
    walls_.push_back({t.xMin, t.xMax, t.yMin, t.yMin + 1});
    walls_.push_back({t.xMin, t.xMax, t.yMax, t.yMax + 1});
    blocked_.resize(kCells * kCells);
    walls_near_.resize(kCells * kCells);
    for (int i = 0; i < kCells; ++i) {
      for (int j = 0; j < kCells; ++j) {
        blocked_[i * kCells + j] = !Clear(i * kCell, j * kCell, kMargin);
        walls_near_[i * kCells + j] = !Clear(i * kCell, j * kCell, kTightMargin);
      }
    }
  }

  bool Clear(double x, double y, double margin) const {
    if (x < 0.5 || x > 149.5 || y < 0.5 || y > 149.5) return false;
    for (const Box& b : walls_) {
      if (BoxDistance(b, x, y) < margin) return false;
    }
    return true;
  }
  // Within kMargin of a wall: passed only where there is no other way, at a high cost.
  bool Blocked(int i, int j) const { return blocked_[i * kCells + j]; }
  // Within kTightMargin: never passed.
  bool Closed(int i, int j) const { return walls_near_[i * kCells + j]; }

  // The leg from a to b keeps kLineMargin, except near a (where a tight start is left).
  bool LineClear(double ax, double ay, double bx, double by) const {
    double length = std::hypot(bx - ax, by - ay);
    for (double s = 0; s <= length; s += 0.1) {
      double x = ax + (bx - ax) * s / length, y = ay + (by - ay) * s / length;
      if (s > 1.0 && !Clear(x, y, kLineMargin)) return false;
      if (!Clear(x, y, 0.05)) return false;
    }
    return true;
  }

 private:
  std::vector<Box> walls_;
  std::vector<bool> blocked_;
  std::vector<bool> walls_near_;
};

struct Node {
  int i, j;
};

// A* from (x, y) to any free cell within `reach` of the page; the cells of the path.
std::vector<Node> FindPath(const Field& field, double x, double y, double px, double py,
                           double reach) {
  auto index = [](int i, int j) { return i * kCells + j; };
  int si = std::clamp(static_cast<int>(std::lround(x / kCell)), 0, kCells - 1);
  int sj = std::clamp(static_cast<int>(std::lround(y / kCell)), 0, kCells - 1);
  std::vector<double> cost(kCells * kCells, 1e18);
  std::vector<int> from(kCells * kCells, -1);
  using Entry = std::pair<double, int>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  auto heuristic = [&](int i, int j) {
    return std::max(0.0, std::hypot(i * kCell - px, j * kCell - py) - reach);
  };
  cost[index(si, sj)] = 0;
  open.push({heuristic(si, sj), index(si, sj)});
  while (!open.empty()) {
    auto [f, at] = open.top();
    open.pop();
    int i = at / kCells, j = at % kCells;
    if (f > cost[at] + heuristic(i, j) + 1e-9) continue;
    if (!field.Blocked(i, j) && std::hypot(i * kCell - px, j * kCell - py) <= reach) {
      std::vector<Node> path;
      for (int n = at; n != -1; n = from[n]) path.push_back({n / kCells, n % kCells});
      std::reverse(path.begin(), path.end());
      return path;
    }
    for (int di = -1; di <= 1; ++di) {
      for (int dj = -1; dj <= 1; ++dj) {
        int ni = i + di, nj = j + dj;
        if ((di == 0 && dj == 0) || ni < 0 || nj < 0 || ni >= kCells || nj >= kCells) continue;
        if (field.Closed(ni, nj)) continue;
        double step = kCell * std::hypot(di, dj) * (field.Blocked(ni, nj) ? kTightCost : 1);
        double next = cost[at] + step;
        if (next < cost[index(ni, nj)]) {
          cost[index(ni, nj)] = next;
          from[index(ni, nj)] = at;
          open.push({next + heuristic(ni, nj), index(ni, nj)});
        }
      }
    }
  }
  return {};
}

// The path's corners: each leg runs as far along the path as a straight line stays clear.
std::vector<std::array<double, 2>> Straighten(const Field& field, double x, double y,
                                              const std::vector<Node>& path) {
  std::vector<std::array<double, 2>> corners;
  double cx = x, cy = y;
  for (size_t at = 0; at + 1 < path.size();) {
    size_t best = at + 1;
    for (size_t k = path.size() - 1; k > at + 1; --k) {
      if (field.LineClear(cx, cy, path[k].i * kCell, path[k].j * kCell)) {
        best = k;
        break;
      }
    }
    cx = path[best].i * kCell;
    cy = path[best].j * kCell;
    corners.push_back({cx, cy});
    at = best;
  }
  if (corners.empty()) corners.push_back({path.back().i * kCell, path.back().j * kCell});
  return corners;
}

// The player as the game moves it, tick by tick in the game's own arithmetic, and the
// script that moves it so.
class Walker {
 public:
  Walker(double x, double y, uint64_t playStartMs)
      : x_(static_cast<float>(x)), y_(static_cast<float>(y)), start_(playStartMs) {
    Tick(false);  // the first tick sets the walking speed; keys from the second on
  }

  void WalkTo(double tx, double ty, double& walked) {
    for (;;) {
      double d = DistanceTo(x_, y_, tx, ty);
      if (d < kClose) return;
      double want = std::atan2(tx - x_, ty - y_) * 180 / std::numbers::pi;
      int heading = static_cast<int>(std::lround(want / rules::kTurnDegrees)) * rules::kTurnDegrees;
      TurnTo((heading % 360 + 360) % 360);
      Press("W");
      int ticks = 0;
      // On until the next step would take the player further from the corner.
      while (ticks < kLegTicks && d >= kClose) {
        auto [nx, ny] = Next(speed_);
        double after = DistanceTo(nx, ny, tx, ty);
        if (after >= d) break;
        walked += d - after;
        Tick(true);
        d = after;
        ++ticks;
      }
      Release("W");
      if (ticks == 0) return;
    }
  }

  // Space down before a tick and up before the next: the page is taken on the second.
  uint64_t Take() {
    Press("Space");
    Tick(false);
    Release("Space");
    uint64_t takenMs = Ms(tick_ + 1);
    Tick(false);
    return takenMs;
  }

  // Holds Left Shift from now to the end: the player runs whenever stamina allows.
  void RunFromNowOn() {
    if (shift_) return;
    Press("LShift");
    shift_ = true;
  }

  const std::string& Script() const { return script_; }

 private:
  static double DistanceTo(double x, double y, double tx, double ty) {
    return std::hypot(tx - x, ty - y);
  }

  // The virtual ms of tick `tick` (1, 2, ...).
  uint64_t Ms(int64_t tick) const { return start_ + rules::kTickMs * static_cast<uint64_t>(tick); }

  // Key changes land 8 ms before the next tick reads the keys.
  void Press(const char* key) {
    script_ += std::to_string(Ms(tick_ + 1) - 8) + " key down " + key + "\n";
  }
  void Release(const char* key) {
    script_ += std::to_string(Ms(tick_ + 1) - 8) + " key up " + key + "\n";
  }

  void TurnTo(int heading) {
    int right = ((heading - heading_) % 360 + 360) % 360;
    if (right == 0) return;
    const char* key = right <= 180 ? "Right" : "Left";
    int ticks = right <= 180 ? right / rules::kTurnDegrees : (360 - right) / rules::kTurnDegrees;
    Press(key);
    for (int n = 0; n < ticks; ++n) Tick(false);
    Release(key);
    heading_ = heading;
  }

  // Where one forward move at `speed` would take the player.
  std::pair<float, float> Next(float speed) const {
    double angle = Radians(heading_);
    return {Single(x_ + 1.0 * speed * std::sin(angle)), Single(y_ + 1.0 * speed * std::cos(angle))};
  }

  // One tick: running is taken up while Shift is held and stamina lasts, the move uses the
  // speed the last tick left, then stamina and speed are brought up to date.
  void Tick(bool walking) {
    ++tick_;
    if (shift_ && stamina_ > rules::kRunStartsAbove) running_ = true;
    if (walking) std::tie(x_, y_) = Next(speed_);
    if (stamina_ < rules::kStaminaCap) stamina_ = Single(stamina_ + rules::kStaminaGainPerTick);
    if (running_ && walking) stamina_ = Single(stamina_ - rules::kRunCostPerTick);
    if (stamina_ < rules::kRunStopsBelow) running_ = false;
    speed_ = running_ ? rules::kRunSpeed : rules::kWalkSpeed;
  }

  float x_, y_;
  int heading_ = 0;
  float stamina_ = rules::kStartStamina;
  float speed_ = rules::kStartSpeed;  // until the first tick's update
  bool running_ = false;
  bool shift_ = false;
  uint64_t start_;
  int64_t tick_ = 0;  // ticks simulated so far
  std::string script_;
};

Box BoxFromJson(const Json& r) {
  return {r["xMin"].Number(), r["xMax"].Number(), r["yMin"].Number(), r["yMax"].Number()};
}

// The order of the pages that makes the straight-line walk from the start cheapest, each
// leg weighed by the pages held on it: the less time in the field, the fewer chances the
// stalker gets.
std::vector<int> CheapestOrder(const PilotWorld& world, const LegWeights& legWeights) {
  std::vector<int> order = {0, 1, 2, 3, 4, 5, 6, 7}, best = order;
  auto length = [&](const std::vector<int>& o) {
    double x = world.playerX, y = world.playerY, total = 0;
    size_t held = 0;
    for (int k : o) {
      total += legWeights[held++] * std::hypot(world.pages[k][0] - x, world.pages[k][1] - y);
      x = world.pages[k][0];
      y = world.pages[k][1];
    }
    return total;
  };
  double bestLength = length(order);
  while (std::next_permutation(order.begin(), order.end())) {
    double l = length(order);
    if (l < bestLength) {
      bestLength = l;
      best = order;
    }
  }
  return best;
}

}  // namespace

PilotWorld PilotWorldFromJson(const Json& world) {
  PilotWorld w;
  for (const Json& o : world["obstacles"].items) w.obstacles.push_back(BoxFromJson(o));
  w.tunnel = BoxFromJson(world["tunnel"]);
  for (size_t k = 0; k < 8 && k < world["pages"].items.size(); ++k) {
    w.pages[k] = {world["pages"][k]["x"].Number(), world["pages"][k]["y"].Number()};
  }
  w.playerX = world["player"]["x"].Number();
  w.playerY = world["player"]["y"].Number();
  return w;
}

PilotPlan PlanPages(const PilotWorld& world, uint64_t playStartMs, int runFromPage,
                    const LegWeights& legWeights) {
  Field field(world);
  PilotPlan plan;
  Walker walker(world.playerX, world.playerY, playStartMs);
  double x = world.playerX, y = world.playerY;
  std::vector<int> order = CheapestOrder(world, legWeights);
  for (int round = 0; round < 8; ++round) {
    int next = order[round];
    // The stalker grows bolder with every page: the player runs once enough are taken.
    if (round >= runFromPage) walker.RunFromNowOn();
    std::vector<Node> path;
    for (double reach : kReaches) {
      if (path.empty())
        path = FindPath(field, x, y, world.pages[next][0], world.pages[next][1], reach);
    }
    if (path.empty()) {
      plan.failure = "no path to page " + std::to_string(next + 1);
      plan.script = walker.Script();
      return plan;
    }
    for (auto [cx, cy] : Straighten(field, x, y, path)) {
      walker.WalkTo(cx, cy, plan.walked);
      x = cx;
      y = cy;
    }
    plan.lastTakeMs = walker.Take();

    plan.order.push_back(next + 1);
  }
  plan.complete = true;
  plan.script = walker.Script();
  return plan;
}
