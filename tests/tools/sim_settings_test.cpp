// The player's settings in whole runs: the volume keys at every step and past both ends,
// the trace line of each change, a run started from a settings file (good, damaged or with
// the defaults), and that the simulator never writes a settings file, its own or the
// player's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "sim_child.h"

namespace {

// `count` presses of `key`, 100 ms apart from `fromMs` on.
std::string Presses(const std::string& key, int count, int fromMs) {
  std::string script;
  for (int i = 0; i < count; ++i) {
    const int at = fromMs + 100 * i;
    script += std::to_string(at) + " key down " + key + "\n" + std::to_string(at + 40) +
              " key up " + key + "\n";
  }
  return script;
}

double Rms16(const std::string& bytes) {
  double sum = 0.0;
  const size_t samples = bytes.size() / 2;
  for (size_t i = 0; i < samples; ++i) {
    const auto s = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                        static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    sum += static_cast<double>(s) * s;
  }
  return std::sqrt(sum / static_cast<double>(samples));
}

std::vector<int64_t> SettingValues(const std::vector<Json>& trace, const std::string& key) {
  std::vector<int64_t> values;
  for (const Json& line : EventsNamed(trace, "setting")) {
    if (line["key"].Str() == key) values.push_back(line["value"].Int());
  }
  return values;
}

class SimSettings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { plain = new Standing(RunStanding("plain", "")); }
  static void TearDownTestSuite() { delete plain; }
  static Standing* plain;  // no settings key, no settings file
};
Standing* SimSettings::plain = nullptr;

TEST_F(SimSettings, VolumeKeysStepTheWholeMixWithinTheirRangeAndAreTracedEachChange) {
  ASSERT_EQ(plain->result.status, 0) << plain->result.err;
  EXPECT_TRUE(EventsNamed(plain->trace, "setting").empty());

  // Two steps down: from there on the mix is the same mix, 6 dB under.
  const Standing down = RunStanding("down", Presses("PageDown", 2, 1000));
  ASSERT_EQ(down.result.status, 0) << down.result.err;
  EXPECT_EQ(SettingValues(down.trace, "volume"), (std::vector<int64_t>{-3, -6}));
  const double heardDb =
      20.0 * std::log10(Rms16(WavFrom(down.wav, 2000)) / Rms16(WavFrom(plain->wav, 2000)));
  EXPECT_NEAR(heardDb, -6.0, 0.02);

  // Eleven down and eleven up: the last press each way finds the end and changes nothing,
  // and back at 0 dB the mix is the plain one again, byte for byte.
  const Standing both =
      RunStanding("both", Presses("PageDown", 11, 1000) + Presses("PageUp", 11, 2200));
  ASSERT_EQ(both.result.status, 0) << both.result.err;
  std::vector<int64_t> steps;
  for (int db = -3; db >= -30; db -= 3) steps.push_back(db);
  for (int db = -27; db <= 0; db += 3) steps.push_back(db);
  EXPECT_EQ(SettingValues(both.trace, "volume"), steps);
  EXPECT_TRUE(WavFrom(both.wav, 4000) == WavFrom(plain->wav, 4000));
  // Nothing but the mix changed: the game's own events are those of the plain run.
  auto withoutSettings = [](std::vector<Json> trace) {
    std::erase_if(trace, [](const Json& line) { return line["event"].Str() == "setting"; });
    return trace.size();
  };
  EXPECT_EQ(withoutSettings(both.trace), plain->trace.size());
}

// H reads the set (at once, in the simulator), switches the placed sounds to it and back:
// once the second switch's crossfade and its spoken answer are over, the mix is the plain
// stereo one again, byte for byte.
TEST_F(SimSettings, HTwiceGivesBackTheStereoMixAfterTheCrossfade) {
  ASSERT_EQ(plain->result.status, 0) << plain->result.err;
  const Standing twice = RunStanding("h-twice", Presses("H", 1, 1000) + Presses("H", 1, 3000));
  ASSERT_EQ(twice.result.status, 0) << twice.result.err;
  EXPECT_EQ(twice.result.err, "");
  EXPECT_EQ(SettingValues(twice.trace, "headphones"), (std::vector<int64_t>{1, 0}));
  ASSERT_EQ(twice.wav.size(), plain->wav.size());
  const size_t head = twice.wav.size() - WavFrom(twice.wav, 3000).size();
  EXPECT_FALSE(twice.wav.substr(0, head) == plain->wav.substr(0, head));
  EXPECT_TRUE(WavFrom(twice.wav, 5000) == WavFrom(plain->wav, 5000));
  // A set that cannot be read answers "unavailable", says why once, and changes nothing.
  setenv("QUELMIRE_HRTF", ScratchPath("no-such-set.sofa").c_str(), 1);
  const Standing missing = RunStanding("h-missing", Presses("H", 3, 1000));
  unsetenv("QUELMIRE_HRTF");
  ASSERT_EQ(missing.result.status, 0) << missing.result.err;
  EXPECT_EQ(std::count(missing.result.err.begin(), missing.result.err.end(), '\n'), 1)
      << missing.result.err;
  EXPECT_NE(missing.result.err.find("headphones are unavailable"), std::string::npos);
  EXPECT_TRUE(EventsNamed(missing.trace, "setting").empty());
  EXPECT_TRUE(WavFrom(missing.wav, 5000) == WavFrom(plain->wav, 5000));
}

TEST_F(SimSettings, ARunStartsFromItsSettingsFileAndWritesNoSettingsFile) {
  ASSERT_EQ(plain->result.status, 0) << plain->result.err;
  // The player's folder, were the simulator to look for one.
  const std::string home = ScratchPath("config-home");
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home);
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);

  const std::string file = ScratchPath("quiet.ini");
  const std::string text = "volume = -6\nheadphones = 0\n";
  WriteText(file, text);
  const Standing quiet = RunStanding("quiet", Presses("PageDown", 1, 1000), {"--settings", file});
  ASSERT_EQ(quiet.result.status, 0) << quiet.result.err;
  EXPECT_EQ(quiet.result.err, "");
  EXPECT_EQ(SettingValues(quiet.trace, "volume"), (std::vector<int64_t>{-6, -9}));
  EXPECT_EQ(EventsNamed(quiet.trace, "setting").front()["ms"].Int(), 0);
  const double heardDb =
      20.0 * std::log10(Rms16(WavFrom(quiet.wav, 2000)) / Rms16(WavFrom(plain->wav, 2000)));
  EXPECT_NEAR(heardDb, -9.0, 0.02);
  EXPECT_EQ(ReadText(file), text);  // read, never written
  EXPECT_TRUE(std::filesystem::is_empty(home));
  unsetenv("XDG_CONFIG_HOME");

  // The defaults written out, and a damaged file (one line said), play the plain run.
  struct Case {
    const char* name;
    std::string text;
    int errLines;
  };
  for (const Case& c : {Case{"defaults", "volume = 0\nheadphones = 0\n", 0},
                        Case{"damaged", std::string("volume = 7\n\x01\xff garbage\n", 19), 1}}) {
    SCOPED_TRACE(c.name);
    const std::string path = ScratchPath(std::string(c.name) + ".ini");
    WriteText(path, c.text);
    const Standing run = RunStanding(c.name, "", {"--settings", path});
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_EQ(std::count(run.result.err.begin(), run.result.err.end(), '\n'), c.errLines)
        << run.result.err;
    EXPECT_TRUE(run.wav == plain->wav);
    EXPECT_EQ(run.trace.size(), plain->trace.size());
  }
  const Standing missing = RunStanding("missing", "", {"--settings", ScratchPath("no-such.ini")});
  EXPECT_EQ(missing.result.status, 2);
}

}  // namespace
