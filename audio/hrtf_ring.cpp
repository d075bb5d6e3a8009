#include "audio/hrtf_ring.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "audio/file_image.h"

namespace {

struct SetCloser {
  void operator()(MYSOFA_EASY* set) const { mysofa_close(set); }
};
using OpenSet = std::unique_ptr<MYSOFA_EASY, SetCloser>;

struct Opened {
  OpenSet set;
  int32_t length = 0;  // taps of every filter
  int32_t rate = 0;
};

std::string MysofaReason(int err) {
  switch (err) {
    case MYSOFA_INVALID_FORMAT:
      return "not a SOFA file libmysofa can read";
    case MYSOFA_UNSUPPORTED_FORMAT:
      return "a SOFA file of a kind libmysofa does not support";
    case MYSOFA_NO_MEMORY:
      return "out of memory";
    case MYSOFA_READ_ERROR:
      return "a read error";
    case MYSOFA_INVALID_ATTRIBUTES:
    case MYSOFA_INVALID_DIMENSIONS:
    case MYSOFA_INVALID_DIMENSION_LIST:
    case MYSOFA_INVALID_COORDINATE_TYPE:
    case MYSOFA_ONLY_EMITTER_WITH_ECI_SUPPORTED:
    case MYSOFA_ONLY_DELAYS_WITH_IR_OR_MR_SUPPORTED:
    case MYSOFA_ONLY_THE_SAME_SAMPLING_RATE_SUPPORTED:
    case MYSOFA_RECEIVERS_WITH_RCI_SUPPORTED:
    case MYSOFA_RECEIVERS_WITH_CARTESIAN_SUPPORTED:
    case MYSOFA_INVALID_RECEIVER_POSITIONS:
    case MYSOFA_ONLY_SOURCES_WITH_MC_SUPPORTED:
      return "a SOFA file whose layout is not that of a head-related set (libmysofa error " +
             std::to_string(err) + ")";
    default:
      return "libmysofa error " + std::to_string(err);
  }
}

std::optional<Opened> OpenImage(const std::vector<uint8_t>& image, int32_t rate, std::string& why) {
  if (image.empty()) {
    why = "an empty file";
    return std::nullopt;
  }
  int length = 0;
  int err = MYSOFA_OK;
  OpenSet set(mysofa_open_data(reinterpret_cast<const char*>(image.data()),
                               static_cast<long>(image.size()), static_cast<float>(rate), &length,
                               &err));
  if (set == nullptr || err != MYSOFA_OK || length <= 0) {
    why = MysofaReason(err);
    return std::nullopt;
  }
  return Opened{std::move(set), length, rate};
}

std::optional<Opened> OpenFile(const std::string& path, int32_t rate, std::string& why) {
  FileImage image;
  std::string refusal;
  if (!ReadFileImage(path, image, refusal)) {
    why = refusal;
    return std::nullopt;
  }
  return OpenImage(image, rate, why);
}

// The set's filter pair toward `degrees`, with the integer part of any delay the set keeps
// beside its filters put back in front of them.
HrtfPair FilterToward(const Opened& opened, float degrees) {
  const double radians = degrees * std::numbers::pi / 180.0;
  std::vector<float> left(static_cast<size_t>(opened.length));
  std::vector<float> right(static_cast<size_t>(opened.length));
  float delayLeft = 0.0f, delayRight = 0.0f;
  mysofa_getfilter_float(opened.set.get(), static_cast<float>(std::cos(radians)),
                         static_cast<float>(std::sin(radians)), 0.0f, left.data(), right.data(),
                         &delayLeft, &delayRight);
  const auto rate = static_cast<float>(opened.rate);
  auto delayed = [rate](std::vector<float>& taps, float seconds) {
    const auto frames = static_cast<size_t>(std::max(0.0f, std::round(seconds * rate)));
    taps.insert(taps.begin(), frames, 0.0f);
  };
  delayed(left, delayLeft);
  delayed(right, delayRight);
  return {std::move(left), std::move(right)};
}

// Where a filter starts to sound: its first tap at a tenth of its peak.
size_t Onset(const std::vector<float>& taps) {
  float peak = 0.0f;
  for (float tap : taps) peak = std::max(peak, std::abs(tap));
  for (size_t i = 0; i < taps.size(); ++i) {
    if (std::abs(taps[i]) >= 0.1f * peak) return i;
  }
  return 0;
}

// Taps kept before the earliest onset of the ring, so that no filter loses its rise.
constexpr size_t kLeadTaps = 4;

HrtfRing RingFrom(const Opened& opened) {
  std::vector<HrtfPair> pairs;
  size_t shared = SIZE_MAX;
  size_t longest = 0;
  for (int32_t k = 0; k < kRingDirections; ++k) {
    pairs.push_back(FilterToward(opened, static_cast<float>(k) * kRingSpacingDegrees));
    const HrtfPair& pair = pairs.back();
    shared = std::min({shared, Onset(pair.left), Onset(pair.right)});
    longest = std::max({longest, pair.left.size(), pair.right.size()});
  }
  const size_t skip = shared > kLeadTaps ? shared - kLeadTaps : 0;
  HrtfRing ring;
  ring.rate = opened.rate;
  ring.length = static_cast<int32_t>(longest - skip);
  const size_t length = static_cast<size_t>(ring.length);
  ring.left.assign(length * kRingDirections, 0.0f);
  ring.right.assign(length * kRingDirections, 0.0f);
  for (size_t k = 0; k < pairs.size(); ++k) {
    std::copy(pairs[k].left.begin() + static_cast<ptrdiff_t>(skip), pairs[k].left.end(),
              ring.left.begin() + static_cast<ptrdiff_t>(k * length));
    std::copy(pairs[k].right.begin() + static_cast<ptrdiff_t>(skip), pairs[k].right.end(),
              ring.right.begin() + static_cast<ptrdiff_t>(k * length));
  }
  return ring;
}

}  // namespace

std::optional<HrtfRing> HrtfRingFromImage(const std::vector<uint8_t>& image, int32_t rate,
                                          std::string& why) {
  std::optional<Opened> opened = OpenImage(image, rate, why);
  if (!opened) return std::nullopt;
  return RingFrom(*opened);
}

std::optional<HrtfRing> LoadHrtfRing(const std::string& path, int32_t rate, std::string& why) {
  std::optional<Opened> opened = OpenFile(path, rate, why);
  if (!opened) return std::nullopt;
  return RingFrom(*opened);
}

std::optional<HrtfPair> SetFilterAt(const std::string& path, int32_t rate, float degrees,
                                    std::string& why) {
  std::optional<Opened> opened = OpenFile(path, rate, why);
  if (!opened) return std::nullopt;
  return FilterToward(*opened, degrees);
}
