// The generated asset tree: every file the game loads is there under its exact name,
// loads through the engine's own loader (the long files are Ogg Vorbis), has the format
// and length its role needs, stays under the peak ceiling, has no DC, and either starts
// and ends at silence (one-shots) or wraps without a click (loops). The tree is the one
// the build wrote into the run folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "game/rules.h"
#include "mix_law.h"

namespace {

enum class Kind { kOneShot, kLoop };

struct Expected {
  std::string path;  // relative to the run folder
  int channels;
  double minSeconds;
  double maxSeconds;  // exclusive
  Kind kind;
};

void PrintTo(const Expected& e, std::ostream* os) {
  *os << e.path;
}

std::vector<Expected> Inventory() {
  std::vector<Expected> all;
  for (int n = 1; n <= 11; ++n)
    all.push_back(
        {"assets/ambience/amb" + std::to_string(n) + ".wav", 1, 0.5, 4.0001, Kind::kOneShot});
  all.push_back({"assets/physics/note.wav", 1, 0.7, 1.3, Kind::kOneShot});
  for (int n = 1; n <= 8; ++n)
    all.push_back({"assets/pages/page" + std::to_string(n) + ".wav", 1, 0.4, 3.0, Kind::kOneShot});
  all.push_back({"assets/physics/note_take.wav", 1, 0.1, 1.0, Kind::kOneShot});
  all.push_back({"assets/player/compass.wav", 1, 0.1, 1.5, Kind::kOneShot});
  for (int n = 1; n <= 6; ++n)
    all.push_back(
        {"assets/terrain/grass" + std::to_string(n) + ".wav", 1, 0.15, 0.5001, Kind::kOneShot});
  for (int n = 1; n <= 6; ++n)
    all.push_back(
        {"assets/terrain/tunnel" + std::to_string(n) + ".wav", 1, 0.15, 0.5001, Kind::kOneShot});
  all.push_back({"assets/steps/fence.wav", 1, 0.15, 0.5001, Kind::kOneShot});
  all.push_back({"assets/physics/hit_wood.wav", 1, 0.05, 0.5, Kind::kOneShot});
  all.push_back({"assets/physics/hit_wall.wav", 1, 0.05, 0.5, Kind::kOneShot});
  all.push_back({"assets/player/death.wav", 1, 0.5, 7.0, Kind::kOneShot});
  all.push_back({"assets/vorlent/appearClose.wav", 1, 0.3, 4.0, Kind::kOneShot});
  all.push_back({"assets/title.wav", 2, 8.0, 90.0, Kind::kLoop});
  all.push_back({"assets/intro.wav", 2, 20.0, 90.0, Kind::kOneShot});
  all.push_back({"assets/outro.wav", 2, 20.0, 60.0001, Kind::kOneShot});
  all.push_back({"assets/ambience/amb.wav", 2, 5.0, 60.0, Kind::kLoop});
  all.push_back({"assets/player/breath.wav", 1, 2.0, 20.0, Kind::kLoop});
  for (int n = 1; n <= 3; ++n)
    all.push_back({"assets/static/static" + std::to_string(n) + ".wav", 1, 1.0, 20.0, Kind::kLoop});
  for (int n : {1, 3, 5, 7})
    all.push_back({"assets/atmosphere/n" + std::to_string(n) + ".wav", 2, 5.0, 60.0, Kind::kLoop});
  all.push_back({"assets/settings/volume_tick.wav", 1, 0.03, 0.2, Kind::kOneShot});
  all.push_back({"assets/settings/volume_end.wav", 1, 0.1, 0.6, Kind::kOneShot});
  for (const char* answer :
       {"headphones", "speakers", "headphones_not_ready", "headphones_unavailable"})
    all.push_back({std::string("assets/settings/") + answer + ".wav", 1, 0.3, 3.0, Kind::kOneShot});
  return all;
}

// The game registers the Ogg Vorbis decoder at start; so does every test here.
std::string RunPath(const std::string& relative) {
  SoundUseOggDecoder();
  return std::string(QUELMIRE_RUN_DIR) + "/" + relative;
}

const double kCeiling = std::pow(10.0, -1.0 / 20.0);  // -1 dBFS

DecodedSound MustLoad(const std::string& relative) {
  SoundFileResult load = LoadSoundFile(RunPath(relative));
  EXPECT_TRUE(load.loaded) << relative << ": " << load.refusal;
  return load.sound;
}

float At(const DecodedSound& s, int64_t frame, int channel) {
  return s.samples[static_cast<size_t>(frame * s.channels + channel)];
}

double Peak(const DecodedSound& s, int64_t from, int64_t to) {
  double peak = 0;
  for (int64_t i = from * s.channels; i < to * s.channels; ++i)
    peak = std::max(peak, std::fabs(double{s.samples[static_cast<size_t>(i)]}));
  return peak;
}

double Rms(const DecodedSound& s) {
  double sum = 0;
  for (float v : s.samples) sum += double{v} * v;
  return std::sqrt(sum / static_cast<double>(s.samples.size()));
}

class InventoryFile : public testing::TestWithParam<Expected> {};

TEST_P(InventoryFile, LoadsWithItsFormatLengthAndLevels) {
  const Expected& e = GetParam();
  SoundFileResult load = LoadSoundFile(RunPath(e.path));
  ASSERT_TRUE(load.loaded) << e.path << ": " << load.refusal;
  const DecodedSound& s = load.sound;
  EXPECT_EQ(s.rate, 44100);
  EXPECT_EQ(s.bitsPerSample, 16);
  EXPECT_EQ(s.channels, e.channels);
  double seconds = static_cast<double>(s.frames) / s.rate;
  EXPECT_GE(seconds, e.minSeconds);
  EXPECT_LT(seconds, e.maxSeconds);

  double peak = Peak(s, 0, s.frames);
  EXPECT_LE(peak, kCeiling) << "peak above -1 dBFS";
  EXPECT_GE(peak, 0.03) << "next to silent";
  for (int c = 0; c < s.channels; ++c) {
    double sum = 0;
    for (int64_t i = 0; i < s.frames; ++i) sum += At(s, i, c);
    EXPECT_LE(std::fabs(sum / static_cast<double>(s.frames)), 0.002)
        << "DC offset on channel " << c;
  }
}

TEST_P(InventoryFile, OneShotsStartAndEndAtSilenceLoopsWrapWithoutAClick) {
  const Expected& e = GetParam();
  DecodedSound s = MustLoad(e.path);
  ASSERT_GT(s.frames, 100);
  for (int c = 0; c < s.channels; ++c) {
    if (e.kind == Kind::kOneShot) {
      EXPECT_EQ(At(s, 0, c), 0.0f) << "first frame, channel " << c;
      EXPECT_EQ(At(s, s.frames - 1, c), 0.0f) << "last frame, channel " << c;
      continue;
    }
    std::vector<double> steps;
    steps.reserve(static_cast<size_t>(s.frames));
    for (int64_t i = 1; i < s.frames; ++i)
      steps.push_back(std::fabs(double{At(s, i, c)} - At(s, i - 1, c)));
    double wrap = std::fabs(double{At(s, 0, c)} - At(s, s.frames - 1, c));
    double largest = *std::max_element(steps.begin(), steps.end());
    EXPECT_LE(wrap, largest) << "channel " << c;
    // Stricter: the wrap is an ordinary step, not one of the rare largest ones.
    std::nth_element(steps.begin(),
                     steps.begin() + static_cast<ptrdiff_t>(steps.size() * 999 / 1000),
                     steps.end());
    EXPECT_LE(wrap, steps[steps.size() * 999 / 1000]) << "channel " << c;
  }
  if (e.kind == Kind::kOneShot) {
    int64_t tail = s.rate / 200;  // the last 5 ms
    EXPECT_LE(Peak(s, s.frames - tail, s.frames), 0.03) << "ends with a cut";
  }
}

std::string TestName(const testing::TestParamInfo<Expected>& info) {
  std::string name = info.param.path.substr(7);  // past "assets/"
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(AssetTree, InventoryFile, testing::ValuesIn(Inventory()), TestName);

TEST(AssetTreeSets, HoldsExactlyTheInventoryAndNothingElse) {
  std::set<std::string> expected, found;
  for (const Expected& e : Inventory()) expected.insert(e.path);
  const std::filesystem::path root(QUELMIRE_RUN_DIR);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root / "assets")) {
    if (entry.is_regular_file())
      found.insert(std::filesystem::relative(entry.path(), root).generic_string());
  }
  EXPECT_EQ(found, expected);
}

TEST(AssetTreeSets, TheGamesCapitalisedFolderNameFindsTheTree) {
  // Cues and the outro are loaded as "Assets/..."; the tree is written in lower case.
  for (const char* path : {"Assets/outro.wav", "Assets/terrain/grass3.wav",
                           "Assets/vorlent/appearClose.wav", "Assets/ambience/amb11.wav"}) {
    SoundFileResult load = LoadSoundFile(RunPath(path));
    EXPECT_TRUE(load.loaded) << path << ": " << load.refusal;
  }
}

// Normalised correlation of two signals over their common length.
double Similarity(const DecodedSound& a, const DecodedSound& b) {
  size_t n = std::min(a.samples.size(), b.samples.size());
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < n; ++i) {
    ab += double{a.samples[i]} * b.samples[i];
    aa += double{a.samples[i]} * a.samples[i];
    bb += double{b.samples[i]} * b.samples[i];
  }
  return ab / std::sqrt(aa * bb);
}

TEST(AssetTreeSets, TheSixTakesOfEachGroundDiffer) {
  for (const char* ground : {"grass", "tunnel"}) {
    std::vector<DecodedSound> takes;
    for (int n = 1; n <= 6; ++n)
      takes.push_back(
          MustLoad(std::string("assets/terrain/") + ground + std::to_string(n) + ".wav"));
    for (size_t i = 0; i < takes.size(); ++i) {
      for (size_t j = i + 1; j < takes.size(); ++j) {
        EXPECT_LT(std::fabs(Similarity(takes[i], takes[j])), 0.8)
            << ground << " takes " << i + 1 << " and " << j + 1;
      }
    }
  }
}

TEST(AssetTreeSets, TheElevenNightNoisesDiffer) {
  std::vector<DecodedSound> noises;
  for (int n = 1; n <= 11; ++n)
    noises.push_back(MustLoad("assets/ambience/amb" + std::to_string(n) + ".wav"));
  for (size_t i = 0; i < noises.size(); ++i) {
    for (size_t j = i + 1; j < noises.size(); ++j) {
      EXPECT_LT(std::fabs(Similarity(noises[i], noises[j])), 0.5)
          << "amb" << i + 1 << " and amb" << j + 1;
    }
  }
}

// Mean absolute step relative to RMS: grows with the share of high frequencies.
double Brightness(const DecodedSound& s) {
  double steps = 0;
  for (size_t i = 1; i < s.samples.size(); ++i)
    steps += std::fabs(double{s.samples[i]} - s.samples[i - 1]);
  return steps / static_cast<double>(s.samples.size()) / Rms(s);
}

TEST(AssetTreeLevels, TheStalkersOwnStaticIsTheHarshestAndLoudest) {
  DecodedSound outer = MustLoad("assets/static/static1.wav");
  DecodedSound stalker = MustLoad("assets/static/static2.wav");
  DecodedSound inner = MustLoad("assets/static/static3.wav");
  EXPECT_GT(Brightness(stalker), Brightness(outer));
  EXPECT_GT(Brightness(stalker), Brightness(inner));
  EXPECT_GT(Rms(stalker), Rms(outer));
  EXPECT_GT(Rms(stalker), Rms(inner));
}

TEST(AssetTreeLevels, SpeechAndCuesStandWellAboveTheBedAtTheGamesVolumes) {
  // The bed plays at volume 50, half the amplitude; a cue or page voice at 100.
  double bed = 0.5 * Rms(MustLoad("assets/ambience/amb.wav"));
  for (const char* above : {"assets/pages/page1.wav", "assets/pages/page8.wav", "assets/intro.wav",
                            "assets/player/compass.wav", "assets/physics/note.wav"}) {
    EXPECT_GT(20 * std::log10(Rms(MustLoad(above)) / bed), 12.0) << above;
  }
}

// With all four atmosphere layers playing (from the 7th page) a page's hint must still be
// heard by ear from 30 units straight behind, at the volume the pan law gives it there. Layers and
// bed are unrelated noises, so their powers add.
TEST(AssetTreeLevels, APagesHintFrom30UnitsBehindStaysAboveTheBedAndAllFourLayers) {
  double masking = std::pow(0.5 * Rms(MustLoad("assets/ambience/amb.wav")), 2);
  for (int n : {1, 3, 5, 7})
    masking += std::pow(Rms(MustLoad("assets/atmosphere/n" + std::to_string(n) + ".wav")), 2);
  const int32_t behind = MixByLaw(75, 75, 75, 105, 0, rules::kCueFalloff).volume;
  double hint = behind / 100.0 * Rms(MustLoad("assets/physics/note.wav"));
  EXPECT_GT(hint, std::sqrt(masking));
}

TEST(AssetTreeLevels, AllFourAtmosphereLayersWithTheBedStayBelowFullScale) {
  std::vector<DecodedSound> layers;
  for (int n : {1, 3, 5, 7})
    layers.push_back(MustLoad("assets/atmosphere/n" + std::to_string(n) + ".wav"));
  DecodedSound bed = MustLoad("assets/ambience/amb.wav");
  size_t longest = 0;
  for (const DecodedSound& l : layers) longest = std::max(longest, l.samples.size());
  double peak = 0;
  for (size_t i = 0; i < longest; ++i) {
    double sum = 0.5 * bed.samples[i % bed.samples.size()];
    for (const DecodedSound& l : layers) sum += l.samples[i % l.samples.size()];
    peak = std::max(peak, std::fabs(sum));
  }
  EXPECT_LT(peak, 1.0);
}

}  // namespace
