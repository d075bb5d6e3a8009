// runtime/number_text.h - numbers as text and the float-to-integer conversions.
// Text is UTF-8 std::string; every call builds its own string, so two threads may
// build names at once without touching each other's text.
// Threads: any thread; no shared state.
#pragma once

#include <cstdint>
#include <string>

// Decimal digits, "-" for negatives, no padding, grouping or plus sign.
std::string IntToString(int64_t value);

// "%.10f" of the value widened to double; trailing zeros and then a bare "." are
// trimmed only when the text ends in "0". Exact zero of either sign gives "0";
// infinities give "+Infinity" / "-Infinity" and any NaN gives "NaN".
std::string FloatToString(float value);

// Truncates toward zero (2.7 -> 2, -2.7 -> -2). NaN gives 0 and values beyond the
// 32-bit range saturate, rather than being undefined.
int32_t FloatToInt(double value);

// Arc tangent in radians, computed in double and rounded to single precision.
float ArcTan(float value);
