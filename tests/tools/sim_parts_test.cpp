// The simulator's parts in process: its command line, number text, 16-bit WAV output,
// the merged input script and the map's orientation.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <utility>

#include "tools/sim/json_text.h"
#include "tools/sim/map_svg.h"
#include "tools/sim/options.h"
#include "tools/sim/pcm16_wav.h"
#include "tools/sim/run_script.h"

namespace {

TEST(SimOptions, SeedsAreThirtyTwoBitsInDecimalOrHexWithASign) {
  const std::pair<const char*, int32_t> rows[] = {
      {"12345", 12345},
      {"0x3039", 12345},
      {"0X3039", 12345},
      {"-1", -1},
      {"-0x10", -16},
      // The unsigned half wraps onto the negative one, as the generator takes 32 bits.
      {"0xFFFFFFFF", -1},
      {"4294967295", -1},
      {"2147483648", INT32_MIN},
      {"-2147483648", INT32_MIN},
  };
  for (const auto& [text, seed] : rows) EXPECT_EQ(ParseSeed(text), seed) << text;
  for (const char* bad : {"4294967296", "-2147483649", "", "-", "0x", "12a", "--5", "+5", " 5",
                          "5 ", "0x-5", "99999999999999999999999"}) {
    EXPECT_FALSE(ParseSeed(bad).has_value()) << bad;
  }
}

TEST(SimOptions, EveryOptionIsReadAndEveryMistakeNamed) {
  ParsedOptions all = ParseSimOptions(
      {"--seed", "-7", "--script", "s.txt", "--quick-start", "--ms", "2500", "--trace", "t.jsonl",
       "--trace-ticks", "--wav", "m.wav", "--map", "m.svg", "--assets", "a", "--rate", "22050"});
  ASSERT_EQ(all.error, "");
  const SimOptions& o = all.options;
  EXPECT_EQ(o.seed, -7);
  EXPECT_EQ(o.scriptPath, "s.txt");
  EXPECT_TRUE(o.quickStart);
  EXPECT_EQ(o.limitMs, 2500u);
  EXPECT_EQ(o.tracePath, "t.jsonl");
  EXPECT_TRUE(o.traceTicks);
  EXPECT_EQ(o.wavPath, "m.wav");
  EXPECT_EQ(o.mapPath, "m.svg");
  EXPECT_EQ(o.assetsPath, "a");
  EXPECT_EQ(o.rate, 22050);
  EXPECT_FALSE(o.worldOnly);

  ParsedOptions none = ParseSimOptions({});
  EXPECT_EQ(none.error, "");
  EXPECT_FALSE(none.options.seed.has_value());
  EXPECT_EQ(none.options.rate, 48000);

  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"--sed", "1"}, "unknown option '--sed'"},
      {{"--seed"}, "--seed wants a value"},
      {{"--trace", ""}, "--trace wants a value"},
      {{"--seed", "x"}, "--seed wants a 32-bit"},
      {{"--ms", "0"}, "--ms wants"},
      {{"--ms", "-5"}, "--ms wants"},
      {{"--rate", "7999"}, "--rate wants 8000 .. 192000"},
      {{"--rate", "192001"}, "--rate wants 8000 .. 192000"},
      // Out of range is said as a range, with the value quoted.
      {{"--ms", "99999999999999999999"},
       "--ms wants a whole number of milliseconds, 1 .. 1000000000000 (about 31 years), not "
       "'99999999999999999999'"},
      {{"--ms", "1000000000001"}, "1 .. 1000000000000"},
      {{"--seed", "\x1b]0;title\x07"}, "not '\\x1b]0;title\\x07'"},
      {{"--rate", std::string(100'000'000, '9')}, "not '9999"},
      {{"--wav\xff"}, "unknown option '--wav\\xff'"},
      // What cannot be written right is refused before the run: the WAV's 32-bit sizes
      // (ms x rate stays exact up to the largest --ms at the highest rate), a live
      // frame's 32-bit ms.
      {{"--ms", "384307168202283", "--wav", "w.wav"}, "--ms wants"},
      {{"--ms", "22369622", "--wav", "w.wav"},
       "--wav holds at most 22369621 ms at 48000 frames a second"},
      {{"--ms", "5592406", "--rate", "192000", "--wav", "w.wav"}, "at most 5592405 ms"},
      {{"--live", "--ms", "4294967296"}, "--live counts ms in 32 bits"},
  };
  for (const Case& c : cases) {
    std::string error = ParseSimOptions(c.args).error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    EXPECT_LT(error.size(), 300u) << "a line's worth";
  }
  // At the limits themselves, nothing is refused.
  for (std::vector<std::string> args : {
           std::vector<std::string>{"--ms", "22369621", "--wav", "w.wav"},
           {"--ms", "1000000000000"},
           {"--live", "--ms", "4294967295"},
       }) {
    EXPECT_EQ(ParseSimOptions(args).error, "") << args[1];
  }
}

TEST(SimJsonText, FloatsAreTheShortestTextThatReadsBackExactly) {
  EXPECT_EQ(JsonFloat(38.0f), "38");
  EXPECT_EQ(JsonFloat(0.04f), "0.04");
  EXPECT_EQ(JsonFloat(71.00327f), "71.00327");
  EXPECT_EQ(JsonFloat(-1.5f), "-1.5");
  EXPECT_EQ(JsonFloat(std::numeric_limits<float>::quiet_NaN()), "null");
  EXPECT_EQ(JsonFloat(std::numeric_limits<float>::infinity()), "null");
  std::mt19937 generator(5);
  std::uniform_real_distribution<float> positions(-1.0f, 151.0f);
  for (int i = 0; i < 2000; ++i) {
    float value = positions(generator);
    std::string text = JsonFloat(value);
    float back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_EQ(back, value) << text;
    // Shortest: one significant digit fewer no longer reads back.
    std::string digits = text.substr(0, text.find('e'));
    std::erase_if(digits, [](char c) { return c < '0' || c > '9'; });
    size_t significant = digits.size() - std::min(digits.find_first_not_of('0'), digits.size());
    if (significant > 1) {
      char shorter[32];
      std::snprintf(shorter, sizeof shorter, "%.*g", static_cast<int>(significant - 1), value);
      EXPECT_NE(std::strtof(shorter, nullptr), value) << text;
    }
  }
}

TEST(SimWav, SamplesRoundToNearestAndClip) {
  EXPECT_EQ(ToPcm16(0.0f), 0);
  EXPECT_EQ(ToPcm16(1.0f), 32767);
  EXPECT_EQ(ToPcm16(-1.0f), -32767);
  EXPECT_EQ(ToPcm16(0.5f), 16384);  // 16383.5, ties to even
  EXPECT_EQ(ToPcm16(1.5f), 32767);
  EXPECT_EQ(ToPcm16(-1.5f), -32768);
  EXPECT_EQ(ToPcm16(std::numeric_limits<float>::quiet_NaN()), -32768);
}

TEST(SimWav, TheHeaderSaysWhatTheFileHolds) {
  std::string path = testing::TempDir() + "sim_parts_test.wav";
  {
    Pcm16WavWriter wav;
    ASSERT_TRUE(wav.Open(path, 22050));
    const float first[] = {0.0f, 1.0f, -1.0f, 0.5f};
    const float second[] = {0.25f, -0.25f};
    wav.Append(first, 4);
    wav.Append(second, 2);
    ASSERT_TRUE(wav.Finish());
  }
  std::vector<unsigned char> bytes;
  {
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), {});
  }
  std::remove(path.c_str());
  ASSERT_EQ(bytes.size(), 44u + 12u);
  auto u32 = [&](size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
  };
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); };
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(u32(4), 36u + 12u);
  EXPECT_EQ(u16(20), 1);  // integer PCM
  EXPECT_EQ(u16(22), 2);  // stereo
  EXPECT_EQ(u32(24), 22050u);
  EXPECT_EQ(u32(28), 22050u * 4);
  EXPECT_EQ(u16(32), 4);
  EXPECT_EQ(u16(34), 16);
  EXPECT_EQ(u32(40), 12u);
  EXPECT_EQ(static_cast<int16_t>(u16(46)), 32767);
  EXPECT_EQ(static_cast<int16_t>(u16(48)), -32767);
  EXPECT_EQ(static_cast<int16_t>(u16(54)), -8192);  // -0.25 x 32767 = -8191.75
}

TEST(SimWav, AFileThatCannotHoldTheMixFailsAndSaysWhy) {
  // A disk that is full: the writes fail, and so does the file.
  Pcm16WavWriter full;
  ASSERT_TRUE(full.Open("/dev/full", 48000));
  std::vector<float> second(96000, 0.25f);
  full.Append(second.data(), second.size());
  EXPECT_FALSE(full.Finish());
  EXPECT_EQ(full.Error(), "No space left on device");

  // Past the 4 GiB a header can say, samples are not written and the file fails,
  // rather than keep a header that hides its end.
  Pcm16WavWriter big;
  ASSERT_TRUE(big.Open("/dev/null", 48000));
  std::vector<uint8_t> chunk(1 << 20);
  for (uint64_t written = 0; written + chunk.size() <= kWavMaxDataBytes; written += chunk.size()) {
    big.AppendBytes(chunk.data(), chunk.size());
  }
  EXPECT_FALSE(big.Failed());
  big.AppendBytes(chunk.data(), chunk.size());
  EXPECT_TRUE(big.Failed());
  EXPECT_EQ(big.Error(), "a WAV file holds at most 22369621 ms at 48000 frames a second");
  EXPECT_FALSE(big.Finish());

  Pcm16WavWriter nowhere;
  EXPECT_FALSE(nowhere.Open(testing::TempDir() + "no/such/folder/m.wav", 48000));
  EXPECT_EQ(nowhere.Error(), "No such file or directory");
}

TEST(SimScript, QuickStartMergesIntoTheScriptInTimeOrder) {
  std::string path = testing::TempDir() + "sim_parts_script.txt";
  std::ofstream(path) << "# walk from the start\n0 key down W\n+60 key up W\n120 mouse move -4 2\n";
  InputScript merged = LoadRunScript(path, true);
  std::remove(path.c_str());
  ASSERT_TRUE(merged.errors.empty());
  std::vector<std::pair<uint64_t, ScriptEvent::Kind>> seen;
  for (const ScriptEvent& e : merged.events) seen.emplace_back(e.timeMs, e.kind);
  using K = ScriptEvent::Kind;
  std::vector<std::pair<uint64_t, K>> expected = {
      {0, K::kKeyDown},   {0, K::kKeyDown},     {50, K::kKeyUp}, {60, K::kKeyUp},
      {100, K::kKeyDown}, {120, K::kMouseMove}, {150, K::kKeyUp}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(merged.events[0].value, KeyCodeByName("Space"));  // quick-start first at 0
  EXPECT_EQ(merged.events[1].value, KeyCodeByName("W"));

  // The text handed to the host parses back to the same events.
  InputScript again = ParseInputScript(ScriptText(merged.events));
  ASSERT_TRUE(again.errors.empty());
  ASSERT_EQ(again.events.size(), merged.events.size());
  for (size_t i = 0; i < again.events.size(); ++i) {
    ScriptEvent a = again.events[i], b = merged.events[i];
    a.line = b.line = 0;
    EXPECT_EQ(a, b) << i;
  }

  EXPECT_EQ(LoadRunScript(testing::TempDir() + "no-such-script.txt", false).errors.size(), 1u);
  InputScript none = LoadRunScript("", false);
  EXPECT_TRUE(none.errors.empty());
  EXPECT_TRUE(none.events.empty());
}

TEST(SimMap, TheFieldIsDrawnWithPlusYUp) {
  MapRecord map;
  map.hasWorld = true;
  map.start = {0, 150};
  map.playerPath = {{0, 150}, {150, 0}};
  std::string svg = MapSvg(map);
  // 30 pixels of margin, 5 pixels to the unit: (0, 150) is the top left of the field.
  EXPECT_NE(svg.find("points=\"30.0,30.0 780.0,780.0 \""), std::string::npos);
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

}  // namespace
