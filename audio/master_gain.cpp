#include "audio/master_gain.h"

#include <algorithm>

#include "audio/mixer.h"
#include "audio/volume_table.h"

void MasterGain::SetLevel(int32_t levelCb) {
  wantedCb_.store(std::clamp(levelCb, kSilenceCb, 0), std::memory_order_relaxed);
}

void MasterGain::Apply(float* out, int32_t frames, int32_t rate) {
  const int32_t wanted = wantedCb_.load(std::memory_order_relaxed);
  if (wanted != appliedCb_) {
    appliedCb_ = wanted;
    target_ = LevelAmplitude(wanted);
    rampFrames_ = GainRampFrames(rate);
    step_ = (target_ - gain_) / static_cast<float>(rampFrames_);
  }
  // Full scale and still: the mix goes out exactly as it was made.
  if (rampFrames_ == 0 && gain_ == 1.0f) return;
  for (int32_t i = 0; i < frames; ++i) {
    if (rampFrames_ > 0) {
      // Lands exactly on the target, whatever the float steps summed to.
      gain_ = --rampFrames_ == 0 ? target_ : gain_ + step_;
    }
    out[2 * i] *= gain_;
    out[2 * i + 1] *= gain_;
  }
}

void MasterGain::Reset() {
  wantedCb_.store(0, std::memory_order_relaxed);
  appliedCb_ = 0;
  gain_ = target_ = 1.0f;
  step_ = 0.0f;
  rampFrames_ = 0;
}
