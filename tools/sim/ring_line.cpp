#include "tools/sim/ring_line.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "audio/hrtf_ring.h"
#include "game/headphones.h"
#include "tools/sim/json_text.h"

namespace {

std::string Floats(const float* values, size_t count) {
  std::string text = "[";
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) text += ',';
    text += JsonFloat(values[i]);
  }
  return text + "]";
}

// One filter per direction, direction after direction.
std::string Filters(const std::vector<float>& taps, int32_t length) {
  std::string text = "[";
  for (int32_t d = 0; d < kRingDirections; ++d) {
    if (d > 0) text += ',';
    text += Floats(taps.data() + static_cast<size_t>(d) * static_cast<size_t>(length),
                   static_cast<size_t>(length));
  }
  return text + "]";
}

}  // namespace

std::string RingLine(int32_t rate, std::string& why) {
  std::optional<HrtfRing> ring = LoadHrtfRing(HrtfSetPath(), rate, why);
  if (!ring) return "";
  return "{\"rate\":" + std::to_string(ring->rate) + ",\"length\":" +
         std::to_string(ring->length) + ",\"spacing\":" + JsonFloat(kRingSpacingDegrees) +
         ",\"left\":" + Filters(ring->left, ring->length) +
         ",\"right\":" + Filters(ring->right, ring->length) +
         ",\"delayLeft\":" + Floats(ring->delayLeft.data(), ring->delayLeft.size()) +
         ",\"delayRight\":" + Floats(ring->delayRight.data(), ring->delayRight.size()) + "}";
}
