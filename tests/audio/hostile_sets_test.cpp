// Head-related sets as a player might download them or find them damaged, made at test time
// from the default set: each is refused with its reason in words, or read into a ring of
// finite, bounded filters. Whatever the file holds, the game is never at its mercy.
#include <gtest/gtest.h>
#include <mysofa.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include "audio/hrtf_ring.h"
#include "set_file.h"
#include "sound_files.h"

namespace {

constexpr int32_t kRate = 48000;

// The default set's measurements at ear height: the ring's own directions, in a small file.
SetFile EarHeight() {
  int err = 0;
  MYSOFA_HRTF* hrtf = mysofa_load(QUELMIRE_TEST_HRTF, &err);
  EXPECT_NE(hrtf, nullptr) << err;
  mysofa_tospherical(hrtf);
  SetFile set;
  set.rate = hrtf->DataSamplingRate.values[0];
  set.taps = hrtf->N;
  for (uint32_t m = 0; m < hrtf->M; ++m) {
    const float* where = hrtf->SourcePosition.values + 3 * m;
    if (std::fabs(where[1]) > 0.01f) continue;
    ++set.measurements;
    set.positions.insert(set.positions.end(), where, where + 3);
    const float* taps = hrtf->DataIR.values + size_t{m} * 2 * hrtf->N;
    set.ir.insert(set.ir.end(), taps, taps + 2 * hrtf->N);
  }
  mysofa_free(hrtf);
  return set;
}

struct Hostile {
  const char* name;
  std::function<void(SetFile&)> change;
  const char* refusal;  // words the reason holds; null: the set is read
};

void ScaleAll(SetFile& set, double factor) {
  for (double& tap : set.ir) tap *= factor;
}

const std::vector<Hostile>& Table() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  static const std::vector<Hostile> table = {
      {"as measured", [](SetFile&) {}, nullptr},
      {"a NaN tap", [=](SetFile& s) { s.ir[7] = nan; }, "not a finite number"},
      {"an infinite tap", [=](SetFile& s) { s.ir[7] = -inf; }, "not a finite number"},
      {"a tap of 1e300", [](SetFile& s) { s.ir[7] = 1e300; }, "not a finite number"},
      {"taps scaled by 1e30", [](SetFile& s) { ScaleAll(s, 1e30); }, "level is far outside"},
      {"denormal taps", [](SetFile& s) { ScaleAll(s, 1e-42); }, "level is far outside"},
      {"one silent filter", [](SetFile& s) { std::fill_n(s.ir.begin() + 5 * s.taps, s.taps, 0.0); },
       "measurement 3 is silent in the right ear"},
      {"a delay of 10^6 samples",
       [](SetFile& s) {
         s.delay = {0.0, 1e6};
       },
       "a delay of 1e+06 samples"},
      {"a negative delay",
       [](SetFile& s) {
         s.delay = {-3.0, 0.0};
       },
       "a delay of -3 samples"},
      {"no delay variable", [](SetFile& s) { s.hasDelay = false; }, "no delay for each ear"},
      {"a sample rate of 0", [](SetFile& s) { s.rate = 0.0; }, "its sample rate, 0 Hz"},
      {"a sample rate of 100", [](SetFile& s) { s.rate = 100.0; }, "its sample rate, 100 Hz"},
      {"a sample rate of 1e30", [](SetFile& s) { s.rate = 1e30; }, "its sample rate, 1e+30 Hz"},
      {"100,000 taps",
       [](SetFile& s) {
         s.measurements = 4;
         s.positions.resize(12);
         std::vector<double> ir(size_t{4} * 2 * 100000, 0.0);
         for (size_t f = 0; f < 8; ++f) ir[f * 100000] = 0.5;
         s.ir = ir;
         s.taps = 100000;
       },
       "its filters are 100000 taps long, more than 2048"},
      {"a NaN source position", [=](SetFile& s) { s.positions[4] = nan; }, "source positions"},
  };
  return table;
}

bool Sane(const HrtfRing& ring) {
  for (const std::vector<float>* ear : {&ring.left, &ring.right}) {
    for (float tap : *ear) {
      if (!std::isfinite(tap) || std::fabs(tap) > 100.0f) return false;
    }
  }
  return ring.rate == kRate && ring.length > 0 &&
         ring.left.size() == size_t(ring.length) * kRingDirections;
}

TEST(HostileSets, EachIsRefusedInWordsOrReadIntoASaneRing) {
  const TempFolder folder;
  const SetFile base = EarHeight();
  ASSERT_EQ(base.measurements, 72u);
  for (const Hostile& row : Table()) {
    SetFile set = base;
    row.change(set);
    const std::string path = folder / "hostile.sofa";
    ASSERT_TRUE(WriteSetFile(set, path)) << row.name;
    std::string why;
    std::optional<HrtfRing> ring = LoadHrtfRing(path, kRate, why);
    if (row.refusal == nullptr) {
      ASSERT_TRUE(ring.has_value()) << row.name << ": " << why;
      EXPECT_TRUE(Sane(*ring)) << row.name;
    } else {
      EXPECT_FALSE(ring.has_value()) << row.name;
      EXPECT_NE(why.find(row.refusal), std::string::npos) << row.name << ": " << why;
    }
  }
}

// Delays are samples at the set's rate: one sample late in the right ear is one frame later
// at 48 kHz (1.09, rounded), not a second.
TEST(HostileSets, ADelayIsCountedInSamples) {
  const TempFolder folder;
  SetFile set = EarHeight();
  const std::string plain = folder / "plain.sofa", late = folder / "late.sofa";
  ASSERT_TRUE(WriteSetFile(set, plain));
  set.delay = {0.0, 1.0};
  ASSERT_TRUE(WriteSetFile(set, late));
  std::string why;
  std::optional<HrtfRing> on = LoadHrtfRing(plain, kRate, why);
  std::optional<HrtfRing> delayed = LoadHrtfRing(late, kRate, why);
  ASSERT_TRUE(on && delayed) << why;
  // The ring carries the ears' delays beside its time-aligned filters: the right ear's grows
  // by the one sample, whole frames as the set gives them, in every direction.
  for (int32_t d = 0; d < kRingDirections; ++d) {
    const auto between = [d](const HrtfRing& ring) {
      return ring.delayRight[size_t(d)] - ring.delayLeft[size_t(d)];
    };
    EXPECT_NEAR(between(*delayed) - between(*on), 1.0, 0.25) << "direction " << d;
  }
}

// Damaged copies of the file itself: cut short anywhere (each once crashed the reader of
// sets in memory) or with bytes changed. Refused in words, never a bare number, or read sane.
TEST(HostileSets, DamagedFilesAreRefusedOrReadSane) {
  const TempFolder folder;
  const std::vector<uint8_t> whole = ReadBytes(QUELMIRE_TEST_HRTF);
  ASSERT_GT(whole.size(), 100000u);
  std::vector<std::vector<uint8_t>> damaged;
  for (size_t cut :
       {size_t{256}, size_t{4096}, size_t{32768}, whole.size() / 2, whole.size() - 1}) {
    damaged.emplace_back(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
  }
  std::mt19937 random(37);
  for (int flips = 0; flips < 12; ++flips) {
    std::vector<uint8_t> copy = whole;
    for (int b = 0; b < 4; ++b) copy[random() % copy.size()] = static_cast<uint8_t>(random());
    damaged.push_back(copy);
  }
  for (size_t i = 0; i < damaged.size(); ++i) {
    const std::string path = folder / "damaged.sofa";
    WriteBytes(path, damaged[i]);
    std::string why;
    std::optional<HrtfRing> ring = LoadHrtfRing(path, kRate, why);
    if (ring) {
      EXPECT_TRUE(Sane(*ring)) << "copy " << i;
    } else {
      EXPECT_FALSE(why.empty()) << "copy " << i;
      EXPECT_EQ(why.find("error"), std::string::npos) << "copy " << i << ": " << why;
    }
  }
}

}  // namespace
