#include "audio/voice.h"

#include <algorithm>

namespace {
constexpr int kLevelShift = 0;  // 14 bits: level + 10000, 0 .. 10000
constexpr int kPanShift = 14;   // 15 bits: pan + 10000, 0 .. 20000
constexpr uint64_t kLoopingBit = uint64_t{1} << 29;
constexpr uint64_t kPlayingBit = uint64_t{1} << 30;
constexpr int kStartsShift = 32;
}  // namespace

uint64_t PackControl(const VoiceControl& control) {
  const auto level = static_cast<uint64_t>(std::clamp(control.levelCb, kSilenceCb, 0) - kSilenceCb);
  const auto pan =
      static_cast<uint64_t>(std::clamp(control.panCb, -kFullPanCb, kFullPanCb) + kFullPanCb);
  return level << kLevelShift | pan << kPanShift | (control.looping ? kLoopingBit : 0) |
         (control.playing ? kPlayingBit : 0) | uint64_t{control.starts} << kStartsShift;
}

VoiceControl UnpackControl(uint64_t word) {
  VoiceControl control;
  control.levelCb = static_cast<int32_t>(word >> kLevelShift & 0x3fff) + kSilenceCb;
  control.panCb = static_cast<int32_t>(word >> kPanShift & 0x7fff) - kFullPanCb;
  control.looping = (word & kLoopingBit) != 0;
  control.playing = (word & kPlayingBit) != 0;
  control.starts = static_cast<uint32_t>(word >> kStartsShift);
  return control;
}
