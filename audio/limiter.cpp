#include "audio/limiter.h"

#include <algorithm>
#include <cmath>

namespace {

// A peak past full scale that the reduced gain brings this close to it (0.2 dB) keeps the
// reduction held.
constexpr float kHoldLevel = 0.977f;

// The largest magnitude in a block, in a loop the compiler vectorises.
float Peak(const float* left, const float* right, int32_t frames) {
  float peak = 0.0f;
  for (int32_t i = 0; i < frames; ++i) {
    peak = std::max(peak, std::max(std::fabs(left[i]), std::fabs(right[i])));
  }
  return peak;
}

}  // namespace

void PeakLimiter::Process(float* left, float* right, int32_t frames, int32_t rate) {
  // The common case, a mix within full scale and no reduction under way, costs one pass.
  if (gain_ == 1.0f && Peak(left, right, frames) <= 1.0f) return;
  const int32_t hold = std::max(1, rate / 1000 * kLimiterHoldMs);
  const float rise = 1000.0f / (static_cast<float>(rate) * kLimiterReleaseMs);
  for (int32_t i = 0; i < frames; ++i) {
    const float level = std::max(std::fabs(left[i]), std::fabs(right[i]));
    if (level * gain_ > 1.0f) {
      gain_ = 1.0f / level;
      holdFrames_ = hold;
    } else if (level > 1.0f && level * gain_ >= kHoldLevel) {
      holdFrames_ = hold;  // still needs about this reduction: rising would only be undone
    } else if (holdFrames_ > 0) {
      --holdFrames_;
    } else if (gain_ < 1.0f) {
      gain_ = std::min(1.0f, gain_ + rise);
    }
    left[i] *= gain_;
    right[i] *= gain_;
  }
}
