// libFuzzer target: the head-related set reader as the game runs it, on a set file written
// from the input. Besides crashes and sanitizer reports it traps on an accepted set that
// breaks the reader's promises (a ring of finite, bounded taps at the asked rate) and on a
// refusal that gives no reason.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/hrtf_ring.h"
#include "audio/hrtf_set_check.h"

namespace {

// The sets' own rate, so that most inputs skip the resampling (libmysofa's, on checked data)
// and the fuzzer spends its time on reading and checking.
constexpr int32_t kRate = 44100;

bool KeepsItsPromises(const HrtfRing& ring) {
  const size_t taps = static_cast<size_t>(ring.length) * kRingDirections;
  if (ring.rate != kRate || ring.length <= 0 || ring.left.size() != taps ||
      ring.right.size() != taps) {
    return false;
  }
  for (const std::vector<float>* ear : {&ring.left, &ring.right}) {
    for (float tap : *ear) {
      if (!std::isfinite(tap) || std::fabs(tap) > 1e3f) return false;
    }
  }
  for (const std::vector<float>* ear : {&ring.delayLeft, &ring.delayRight}) {
    if (ear->size() != kRingDirections) return false;
    for (float delay : *ear) {
      if (!(delay >= 0.0f && delay <= 4096.0f)) return false;
    }
  }
  return true;
}

std::string ScratchFile() {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") + "/hrtf_fuzz." +
         std::to_string(getpid()) + ".sofa";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = ScratchFile();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) __builtin_trap();
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) __builtin_trap();
  std::string why;
  std::optional<HrtfRing> ring = LoadHrtfRing(path, kRate, why);
  if (ring && !KeepsItsPromises(*ring)) __builtin_trap();
  if (!ring && why.empty()) __builtin_trap();
  return 0;
}
