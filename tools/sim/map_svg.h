// tools/sim/map_svg.h - the map: an SVG picture of a run's world for sighted helpers.
// +y points up the picture (heading 0 faces the top), 5 pixels to the world unit; a
// legend and a 10-unit scale bar stand beside the field.
// Threads: any; no shared state.
#pragma once

#include <string>

#include "tools/sim/map_record.h"

std::string MapSvg(const MapRecord& map);
