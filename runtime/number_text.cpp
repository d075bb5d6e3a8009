#include "runtime/number_text.h"

#include <cmath>
#include <cstdio>
#include <limits>

std::string IntToString(int64_t value) { return std::to_string(value); }

std::string FloatToString(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Infinity" : "-Infinity";
  if (value == 0.0f) value = 0.0f;  // negative zero prints as "0"

  // Widest finite float is about 3.4e38: 39 digits, a sign, a point and 10 decimals.
  char text[64];
  int length = std::snprintf(text, sizeof text, "%.10f", static_cast<double>(value));
  std::string result(text, static_cast<size_t>(length));
  if (result.back() != '0') return result;
  while (result.back() == '0') result.pop_back();
  if (result.back() == '.') result.pop_back();
  return result;
}

int32_t FloatToInt(double value) {
  if (std::isnan(value)) return 0;
  double truncated = std::trunc(value);
  if (truncated <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (truncated >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(truncated);
}

float ArcTan(float value) { return static_cast<float>(std::atan(static_cast<double>(value))); }
