#include "tools/sim/json_text.h"

#include <charconv>
#include <cmath>

#include "game/state.h"

std::string JsonFloat(float value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  // Without a format, to_chars gives the shortest text that reads back exactly.
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string JsonDouble(double value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string JsonRect(const ObstacleRect& rect) {
  return "{\"xMin\":" + JsonFloat(rect.xMin) + ",\"xMax\":" + JsonFloat(rect.xMax) +
         ",\"yMin\":" + JsonFloat(rect.yMin) + ",\"yMax\":" + JsonFloat(rect.yMax) + "}";
}

std::string JsonPoint(float x, float y) {
  return "{\"x\":" + JsonFloat(x) + ",\"y\":" + JsonFloat(y) + "}";
}
