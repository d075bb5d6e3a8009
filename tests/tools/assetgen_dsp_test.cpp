// The generator's signal blocks do what their names promise: filters pass and stop
// where they should, oscillators never alias, echo repeats on time, panning keeps the
// power, and the speech program gives the same voice twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/speech.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

double RmsOf(const Mono& signal, size_t from = 0) {
  double sum = 0;
  for (size_t i = from; i < signal.size(); ++i) sum += double{signal[i]} * signal[i];
  return std::sqrt(sum / static_cast<double>(signal.size() - from));
}

// Level change of a steady sine through `filter`, in dB, after the filter has settled.
template <typename F>
double GainDb(double frequency, F filter) {
  Mono tone = Sine(0.5, frequency);
  Mono out = filter(tone);
  const size_t settled = tone.size() / 2;
  return 20.0 * std::log10(RmsOf(out, settled) / RmsOf(tone, settled));
}

TEST(Filters, PassAndStopOnTheRightSideOfTheirFrequency) {
  auto low = [](const Mono& x) { return Filter(x, FilterKind::kLowPass, 1000.0); };
  auto high = [](const Mono& x) { return Filter(x, FilterKind::kHighPass, 1000.0); };
  auto band = [](const Mono& x) { return Resonate(x, 1000.0, 5.0); };
  EXPECT_NEAR(GainDb(100.0, low), 0.0, 0.2);
  EXPECT_LT(GainDb(8000.0, low), -30.0);
  EXPECT_NEAR(GainDb(8000.0, high), 0.0, 0.3);
  EXPECT_LT(GainDb(125.0, high), -30.0);
  EXPECT_NEAR(GainDb(1000.0, band), 0.0, 0.2);  // a resonator rings at unity, not louder
  EXPECT_LT(GainDb(4000.0, band), -15.0);
  EXPECT_NEAR(GainDb(1000.0, [](const Mono& x) { return OnePoleLowPass(x, 1000.0); }), -3.0, 0.3);
}

TEST(Oscillators, StayBelowTheTopOfTheBandAndKeepTheirPitch) {
  // A 15 kHz saw may only keep its fundamental: the second partial (30 kHz) would fold.
  Mono saw = Harmonic(
      0.1, [](double) { return 15000.0; }, SawPartials(10));
  Mono pure = Sine(0.1, 15000.0);
  ASSERT_EQ(saw.size(), pure.size());
  for (size_t i = 0; i < saw.size(); ++i) ASSERT_NEAR(saw[i], pure[i], 1e-5) << i;
  // A glide at a steady frequency is the same sine.
  Mono glide = Glide(0.1, [](double) { return 440.0; });
  Mono sine = Sine(0.1, 440.0);
  for (size_t i = 0; i < glide.size(); ++i) ASSERT_NEAR(glide[i], sine[i], 1e-5) << i;
  for (double c = -3.0; c < 3.0; c += 0.0123) EXPECT_NEAR(TableSin(c), Sin(kTwoPi * c), 3e-7);
}

TEST(Effects, EchoRepeatsOnTimeAndFades) {
  Mono click(100, 0.0f);
  click[0] = 1.0f;
  Mono echoed = Echo(click, 0.01, 0.5, 20000.0, 0.05);
  EXPECT_EQ(echoed.size(), click.size() + static_cast<size_t>(Frames(0.05)));
  auto near = [&](int64_t at) {
    double peak = 0;
    for (int64_t i = at - 3; i <= at + 3; ++i)
      peak = std::max(peak, double{std::fabs(echoed[static_cast<size_t>(i)])});
    return peak;
  };
  const int64_t d = Frames(0.01);
  EXPECT_GT(near(d), 0.3);
  EXPECT_GT(near(d), near(2 * d));
  EXPECT_GT(near(2 * d), near(3 * d));
  EXPECT_LT(std::fabs(echoed[static_cast<size_t>(d / 2)]), 1e-3);  // nothing between repeats
}

TEST(Effects, ReverbAddsItsTailAndNarrowsWithWidth) {
  Rng rng(5);
  Mono burst = WhiteNoise(0.05, rng);
  Sound wide = Reverb(burst, {.width = 1.0, .tail = 0.5});
  Sound narrow = Reverb(burst, {.width = 0.0, .tail = 0.5});
  EXPECT_EQ(wide.Frames(), static_cast<int64_t>(burst.size()) + Frames(0.5));
  EXPECT_EQ(Channel(narrow, 0), Channel(narrow, 1));
  EXPECT_NE(Channel(wide, 0), Channel(wide, 1));
  Mono tail = Channel(wide, 0);
  EXPECT_GT(RmsOf(tail, burst.size()), 1e-4);  // the room rings on after the burst
}

TEST(Effects, SaturationAndCrushStayInRange) {
  // Full scale in stays within full scale out, and the curve never folds back.
  Mono ramp = Sampled(0.01, [](double t) { return -1.0 + 200.0 * t; });
  Mono soft = Saturate(ramp, 3.0);
  for (size_t i = 0; i < soft.size(); ++i) {
    EXPECT_LE(std::fabs(soft[i]), 1.0f + 1e-6f);
    if (i > 0) {
      EXPECT_GT(soft[i], soft[i - 1]);
    }
  }
  EXPECT_NEAR(soft.back(), Tanh(3.0 * ramp.back()) / Tanh(3.0), 1e-6);
  Mono crushed = Crush(Sine(0.01, 100.0), 4, 4);
  for (size_t i = 0; i < crushed.size(); ++i) {
    EXPECT_NEAR(crushed[i] * 4.0, std::round(crushed[i] * 4.0), 1e-6);
    if (i % 4 != 0) {
      EXPECT_EQ(crushed[i], crushed[i - 1]);
    }
  }
}

TEST(Mixing, PanKeepsPowerAndMixGrowsTheTarget) {
  Mono one(10, 1.0f);
  for (double pan : {-1.0, -0.3, 0.0, 0.7, 1.0}) {
    Sound s = PanToStereo(one, pan);
    EXPECT_NEAR(s.samples[0] * s.samples[0] + s.samples[1] * s.samples[1], 1.0, 1e-6) << pan;
  }
  Sound left = PanToStereo(one, -1.0);
  EXPECT_NEAR(left.samples[1], 0.0, 1e-7);
  Mono dst(5, 1.0f);
  MixInto(dst, Mono(4, 2.0f), 3, 0.5);
  EXPECT_EQ(dst, (Mono{1, 1, 1, 2, 2, 1, 1}));
}

TEST(Catalogue, NamesEveryFileOnceInLowerCaseAssetsFolder) {
  Catalogue all = FullCatalogue();
  EXPECT_EQ(all.size(), 57u);
  std::set<std::string> seen;
  for (const Asset& a : all) {
    EXPECT_EQ(a.path.rfind("assets/", 0), 0u) << a.path;
    EXPECT_EQ(a.path.substr(a.path.size() - 4), ".wav") << a.path;
    EXPECT_TRUE(seen.insert(a.path).second) << a.path << " twice";
  }
}

TEST(Speech, SpeaksTheSameLineTheSameWayTwice) {
  std::optional<Mono> first = Speak("Page one");
  std::optional<Mono> second = Speak("Page one");
  ASSERT_TRUE(first.has_value()) << "espeak-ng did not run";
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(*first, *second);
  double seconds = static_cast<double>(first->size()) / kRate;
  EXPECT_GT(seconds, 0.4);
  EXPECT_LT(seconds, 2.0);
  // Trimmed: speech begins within the first 20 ms.
  double early = 0;
  for (size_t i = 0; i < static_cast<size_t>(Frames(0.02)); ++i)
    early = std::max(early, double{std::fabs((*first)[i])});
  EXPECT_GT(early, 0.002);
}

}  // namespace
}  // namespace assetgen
