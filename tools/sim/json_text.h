// tools/sim/json_text.h - numbers and small objects as the simulator's JSON text.
// Floats are the shortest text that reads back to the same single-precision value
// ("38", "0.04", "-1.5e-05"); integers are plain integers.
// Threads: any; no shared state.
#pragma once

#include <cstdint>
#include <string>

struct ObstacleRect;

// The shortest round-trip text of `value`; "null" for a NaN or an infinity, which JSON
// cannot hold.
std::string JsonFloat(float value);

// The same for a double: the shortest text that reads back to the same double.
std::string JsonDouble(double value);

// {"xMin":A,"xMax":B,"yMin":C,"yMax":D}
std::string JsonRect(const ObstacleRect& rect);

// {"x":X,"y":Y}
std::string JsonPoint(float x, float y);
