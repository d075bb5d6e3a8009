#include "tools/sim/rules_line.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/rules.h"
#include "tools/sim/json_text.h"

namespace {

std::string Value(int32_t value) {
  return std::to_string(value);
}
std::string Value(float value) {
  return JsonFloat(value);
}
std::string Value(double value) {
  return JsonDouble(value);
}

}  // namespace

std::string RulesLine() {
  using namespace rules;
  const std::vector<std::pair<const char*, std::string>> fields = {
      {"tickMs", Value(kTickMs)},
      {"fieldWidth", Value(kFieldWidth)},
      {"fieldHeight", Value(kFieldHeight)},
      {"obstacleCount", Value(kObstacleCount)},
      {"obstacleSize", Value(kObstacleSize)},
      {"tunnelLength", Value(kTunnelLength)},
      {"tunnelWidth", Value(kTunnelWidth)},
      {"keepOutWidth", Value(kKeepOutWidth)},
      {"keepOutHeight", Value(kKeepOutHeight)},
      {"audibleRange", Value(kAudibleRange)},
      {"ambienceInterval", Value(kAmbienceInterval)},
      {"cueFalloff", Value(kCueFalloff)},
      {"stalkerFalloff", Value(kStalkerFalloff)},
      {"behindVolumeDivisor", Value(kBehindVolumeDivisor)},
      {"startSpeed", Value(kStartSpeed)},
      {"walkSpeed", Value(kWalkSpeed)},
      {"runSpeed", Value(kRunSpeed)},
      {"turnDegrees", Value(kTurnDegrees)},
      {"mouseCountsPerDegree", Value(kMouseCountsPerDegree)},
      {"walkStepInterval", Value(kWalkStepInterval)},
      {"runStepInterval", Value(kRunStepInterval)},
      {"startStamina", Value(kStartStamina)},
      {"staminaCap", Value(kStaminaCap)},
      {"staminaGainPerTick", Value(kStaminaGainPerTick)},
      {"runCostPerTick", Value(kRunCostPerTick)},
      {"runStartsAbove", Value(kRunStartsAbove)},
      {"runStopsBelow", Value(kRunStopsBelow)},
      {"knockEvery", Value(kKnockEvery)},
      {"compassDistance", Value(kCompassDistance)},
      {"pageReach", Value(kPageReach)},
      {"hintPeriodTicks", Value(kHintPeriodTicks)},
      {"killDistance", Value(kKillDistance)},
      {"deathHoldMs", Value(kDeathHoldMs)},
  };
  std::string line = "{";
  for (const auto& [name, value] : fields) {
    if (line.size() > 1) line += ",";
    line += std::string("\"") + name + "\":" + value;
  }
  return line + "}";
}
