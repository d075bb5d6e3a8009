// The settings file's text: what the game writes reads back the same, and every kind of
// damage leaves just the damaged key at its default, named by its line.
#include <gtest/gtest.h>

#include "game/settings_text.h"

namespace {

TEST(SettingsText, EveryValueTheGameCanHoldReadsBackAsWritten) {
  for (int32_t db = kVolumeFloorDb; db <= 0; db += kVolumeStepDb) {
    for (int32_t headphones : {0, 1}) {
      const PlayerSettings settings{db, headphones};
      const SettingsRead read = ReadSettingsText(SettingsText(settings));
      EXPECT_TRUE(read.problems.empty()) << read.problems.front();
      EXPECT_EQ(read.settings, settings) << db << " " << headphones;
    }
  }
  // Each key is named in a comment with its range, before its line.
  const std::string text = SettingsText({});
  EXPECT_LT(text.find("# volume: "), text.find("\nvolume = 0\n"));
  EXPECT_NE(text.find("-30 to 0 in steps of 3"), std::string::npos);
  EXPECT_LT(text.find("# headphones: "), text.find("\nheadphones = 0\n"));
}

TEST(SettingsText, DamageLeavesThatKeyAtItsDefaultAndNamesItsLine) {
  struct Case {
    std::string text;
    PlayerSettings read;
    size_t problems;
    std::string firstProblem;  // the start of the first one
  };
  const Case cases[] = {
      {"", {}, 0, ""},
      {"  volume=-9 \r\n;comment\n\n headphones =1\r\n", {-9, 1}, 0, ""},
      {"volume = +0\nheadphones = 0", {0, 0}, 0, ""},
      {"volume = 3\nheadphones = 1\n", {0, 1}, 1, "line 1, 'volume = 3': not a volume"},
      {"volume = -31\n", {}, 1, "line 1, 'volume = -31'"},
      {"volume = -7\n", {}, 1, "line 1, 'volume = -7'"},
      {"volume = -6dB\n", {}, 1, "line 1"},
      {"volume = 99999999999999\n", {}, 1, "line 1"},
      {"volume =\n", {}, 1, "line 1"},
      {"# ok\nheadphones = 2\nvolume = -3\n", {-3, 0}, 1, "line 2, 'headphones = 2'"},
      {"loudness = 3\n", {}, 1, "line 1, 'loudness = 3': no setting"},
      {"volume -3\n", {}, 1, "line 1, 'volume -3': not a \"key = value\" line"},
      {std::string("\x7f\x45LF\x02\x01\x01\0\0\0", 10), {}, 1, "line 1, '\\x7fELF"},
      {"volume = 3\nvolume = x\nheadphones = on\n", {}, 3, "line 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const SettingsRead read = ReadSettingsText(c.text);
    EXPECT_EQ(read.settings, c.read);
    ASSERT_EQ(read.problems.size(), c.problems);
    if (c.problems > 0) {
      EXPECT_EQ(read.problems.front().rfind(c.firstProblem, 0), 0u) << read.problems.front();
    }
  }
}

}  // namespace
