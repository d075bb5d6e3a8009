#include "audio/hrtf_ring.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>

#include "audio/file_image.h"
#include "audio/hrtf_equaliser.h"
#include "audio/hrtf_set_check.h"

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

// Reads the set by its path: libmysofa 1.3.1's reader of files refuses a damaged one where
// its reader of memory crashes. Every check runs before the step it protects: the limits
// before resampling (a set at 1 Hz would take minutes and gigabytes), the levels again
// before the filters are looked up.
std::optional<Opened> OpenFile(const std::string& path, int32_t rate, std::string& why) {
  FileImage image;
  if (!ReadFileImage(path, image, why)) return std::nullopt;
  if (image.empty()) {
    why = "an empty file";
    return std::nullopt;
  }
  OpenSet set(static_cast<MYSOFA_EASY*>(std::calloc(1, sizeof(MYSOFA_EASY))));
  if (set == nullptr) {
    why = SetReaderError(MYSOFA_NO_MEMORY);
    return std::nullopt;
  }
  int err = MYSOFA_OK;
#ifdef _WIN32
  // Windows names files in wide characters, which libmysofa's fopen cannot take; the
  // libmysofa the Windows build carries (1.3.3) reads a set in memory soundly.
  set->hrtf = mysofa_load_data(reinterpret_cast<const char*>(image.data()), image.size(), &err);
#else
  image = FileImage();  // it was read only to be sure the file is regular and of sane size
  set->hrtf = mysofa_load(path.c_str(), &err);
#endif
  if (set->hrtf == nullptr || err != MYSOFA_OK || (err = mysofa_check(set->hrtf)) != MYSOFA_OK) {
    why = SetReaderError(err);
    return std::nullopt;
  }
  why = SetFault(*set->hrtf);
  if (!why.empty()) return std::nullopt;
  if ((err = mysofa_resample(set->hrtf, static_cast<float>(rate))) != MYSOFA_OK) {
    why = SetReaderError(err);
    return std::nullopt;
  }
  mysofa_loudness(set->hrtf);
  why = ResampledSetFault(*set->hrtf);
  if (!why.empty()) return std::nullopt;
  mysofa_tocartesian(set->hrtf);
  set->lookup = mysofa_lookup_init(set->hrtf);
  if (set->lookup != nullptr) set->neighborhood = mysofa_neighborhood_init(set->hrtf, set->lookup);
  const size_t firTaps = size_t{set->hrtf->N} * set->hrtf->R;
  set->fir = static_cast<float*>(std::malloc(firTaps * sizeof(float)));
  if (set->lookup == nullptr || set->neighborhood == nullptr || set->fir == nullptr) {
    why = "its source positions cannot be searched (too few, or all in one place)";
    return std::nullopt;
  }
  const auto length = static_cast<int32_t>(set->hrtf->N);
  return Opened{std::move(set), length, rate};
}

// The set's filter pair toward `degrees`, with the whole samples of any delay the set keeps
// beside its filters put back in front of them (libmysofa gives the delays in samples at
// the resampled rate; the checks above bound them).
HrtfPair FilterToward(const Opened& opened, float degrees) {
  const double radians = degrees * std::numbers::pi / 180.0;
  std::vector<float> left(static_cast<size_t>(opened.length));
  std::vector<float> right(static_cast<size_t>(opened.length));
  float delayLeft = 0.0f, delayRight = 0.0f;
  mysofa_getfilter_float(opened.set.get(), static_cast<float>(std::cos(radians)),
                         static_cast<float>(std::sin(radians)), 0.0f, left.data(), right.data(),
                         &delayLeft, &delayRight);
  auto delayed = [](std::vector<float>& taps, float samples) {
    const auto frames = static_cast<size_t>(std::max(0.0f, std::round(samples)));
    taps.insert(taps.begin(), frames, 0.0f);
  };
  delayed(left, delayLeft);
  delayed(right, delayRight);
  return {std::move(left), std::move(right)};
}

HrtfRing RingFrom(const Opened& opened) {
  std::vector<HrtfPair> pairs;
  for (int32_t k = 0; k < kRingDirections; ++k) {
    pairs.push_back(FilterToward(opened, static_cast<float>(k) * kRingSpacingDegrees));
  }
  return EqualisedRing(pairs, opened.rate);
}

}  // namespace

std::optional<HrtfRing> ReadHrtfRingHere(const std::string& path, int32_t rate, std::string& why) {
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
