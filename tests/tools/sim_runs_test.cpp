// Whole runs of quelmire-sim to each of the game's ends, the time limit, the WAV it
// writes, and replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <utility>

#include "autopilot_run.h"
#include "sim_child.h"

namespace {

// Reads a 16-bit stereo WAV's header: its rate and frames; false when it is not one.
bool ReadPcm16Header(const std::string& bytes, uint32_t& rate, uint64_t& frames) {
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
  };
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(36, 4, "data") != 0)
    return false;
  if ((u32(20) & 0xFFFF) != 1 || (u32(20) >> 16) != 2 || (u32(32) >> 16) != 16) return false;
  rate = u32(24);
  uint32_t dataBytes = u32(40);
  if (dataBytes != bytes.size() - 44 || u32(4) != bytes.size() - 8) return false;
  frames = dataBytes / 4;
  return true;
}

const Json& Last(const std::vector<Json>& trace) {
  static const Json none;
  return trace.empty() ? none : trace.back();
}

TEST(SimRuns, EscapeInPlayEndsTheRunWithItsCauseAndTheWholeMix) {
  std::string script = ScratchPath("escape.txt"), trace = ScratchPath("escape.jsonl");
  std::string wav = ScratchPath("escape.wav"), map = ScratchPath("escape.svg");
  WriteText(script, "800 key down W\n1500 key up W\n2000 key down Escape\n");
  SimResult result = RunSim({"--seed", "5", "--quick-start", "--script", script, "--trace", trace,
                             "--wav", wav, "--map", map});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  std::vector<Json> lines = ReadTrace(trace);
  ASSERT_FALSE(lines.empty());
  for (const Json& line : lines) {
    ASSERT_EQ(line.kind, Json::Kind::kObject) << "every line is one JSON object";
    ASSERT_TRUE(line["ms"].kind == Json::Kind::kNumber && line.Has("event"));
  }
  EXPECT_EQ(EventsNamed(lines, "play").size(), 1u);
  const Json& exit = Last(lines);
  EXPECT_EQ(exit["event"].Str(), "exit");
  EXPECT_EQ(exit["cause"].Str(), "escape");
  EXPECT_EQ(exit["code"].Int(), 0);
  // Escape is read at the first tick at or after 2000 ms.
  EXPECT_GE(exit["ms"].Int(), 2000);
  EXPECT_LT(exit["ms"].Int(), 2000 + 17 + 17);

  // The mix runs from the start until the sound engine closes at the end.
  uint32_t rate = 0;
  uint64_t frames = 0;
  std::string wavBytes = ReadText(wav);
  ASSERT_TRUE(ReadPcm16Header(wavBytes, rate, frames));
  EXPECT_EQ(rate, 48000u);
  EXPECT_NEAR(static_cast<double>(frames), exit["ms"].Int() * 48.0, 48.0 * 2);
  // The title, the ambience and the footsteps are in it: not a file of silence.
  EXPECT_NE(wavBytes.find_first_not_of('\0', 44), std::string::npos);
  std::string svg = ReadText(map);
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("seed 5"), std::string::npos);
}

TEST(SimRuns, TheTimeLimitStopsTheRunAtExactlyThatMs) {
  std::string trace = ScratchPath("limit.jsonl"), wav = ScratchPath("limit.wav");
  SimResult result = RunSim({"--seed", "5", "--quick-start", "--ms", "2500", "--rate", "22050",
                             "--trace", trace, "--wav", wav});
  ASSERT_EQ(result.status, 0) << result.err;
  const Json exit = Last(ReadTrace(trace));
  EXPECT_EQ(exit["event"].Str(), "exit");
  EXPECT_EQ(exit["cause"].Str(), "time");
  EXPECT_EQ(exit["ms"].Int(), 2500);
  uint32_t rate = 0;
  uint64_t frames = 0;
  ASSERT_TRUE(ReadPcm16Header(ReadText(wav), rate, frames));
  EXPECT_EQ(rate, 22050u);
  EXPECT_EQ(frames, 2500u * 22050u / 1000u);
}

// Seed 7's stalker finds a player who stands still within a minute of play; the limit
// is generous in case its draws ever change.
TEST(SimRuns, TheStalkerReachingThePlayerPlaysTheDeathCueAndEndsSevenSecondsLater) {
  std::string trace = ScratchPath("death.jsonl");
  SimResult result = RunSim({"--seed", "7", "--quick-start", "--ms", "900000", "--trace", trace});
  ASSERT_EQ(result.status, 0) << result.err;
  std::vector<Json> lines = ReadTrace(trace);
  std::vector<Json> deaths = EventsNamed(lines, "death");
  ASSERT_EQ(deaths.size(), 1u) << "no death within 15 virtual minutes";
  const Json& death = deaths[0];
  std::vector<Json> appearances = EventsNamed(lines, "stalker_appear");
  ASSERT_FALSE(appearances.empty());
  EXPECT_LE(appearances.back()["ms"].Int(), death["ms"].Int());

  bool deathCue = false;
  for (const Json& cue : EventsNamed(lines, "cue")) {
    if (cue["name"].Str() != "player/death") continue;
    deathCue = true;
    EXPECT_EQ(cue["ms"].Int(), death["ms"].Int());
    EXPECT_EQ(cue["nonPositional"].Int(), 1);
    EXPECT_EQ(cue["volume"].Int(), 100);
    EXPECT_NE(cue["sound"].Int(), 0) << "the death cue's file did not load";
  }
  EXPECT_TRUE(deathCue);
  std::vector<Json> endings = EventsNamed(lines, "ending");
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_EQ(endings[0]["cause"].Str(), "death");
  EXPECT_EQ(endings[0]["ms"].Int(), death["ms"].Int() + 7000);
  const Json& exit = Last(lines);
  EXPECT_EQ(exit["event"].Str(), "exit");
  EXPECT_EQ(exit["cause"].Str(), "death");
  // Only the stalker thread's last wait of at most 16 ms stands between.
  EXPECT_LE(exit["ms"].Int() - endings[0]["ms"].Int(), 17);
}

TEST(SimRuns, ASecondRunIsByteIdenticalAndAnotherSeedIsNot) {
  std::string script = ScratchPath("replay.txt");
  WriteText(script,
            "300 key down W\n3000 key down Right\n+400 key up Right\n6000 key down LShift\n"
            "+2000 key up LShift\n8000 key down Left\n+300 key up Left\n9000 key down Space\n"
            "+40 key up Space\n9500 key down LCtrl\n+100 key up LCtrl\n");
  auto run = [&](const std::string& seed, const std::string& name) {
    std::string trace = ScratchPath(name + ".jsonl"), wav = ScratchPath(name + ".wav");
    SimResult result = RunSim({"--seed", seed, "--quick-start", "--script", script, "--ms", "12000",
                               "--trace", trace, "--trace-ticks", "--wav", wav});
    EXPECT_EQ(result.status, 0) << result.err;
    return std::make_pair(ReadText(trace), ReadText(wav));
  };
  auto first = run("11", "replay-a");
  auto second = run("11", "replay-b");
  ASSERT_GT(first.first.size(), 100000u);
  EXPECT_TRUE(first.first == second.first) << "the traces differ";
  EXPECT_TRUE(first.second == second.second) << "the WAV files differ";
  auto other = run("12", "replay-c");
  EXPECT_FALSE(first.first == other.first);
  EXPECT_FALSE(first.second == other.second);
}

// The autopilot walks to every page and takes it; the run ends with the outro heard to
// its end. It plays blind, so the stalker may catch it on a given seed: the test takes
// the first of a few seeds on which it gets through (see the README for the share).
TEST(SimRuns, TakingAllEightPagesPlaysTheOutroToItsEnd) {
  std::string report;
  for (int32_t seed : {1, 2, 3}) {
    std::string trace = ScratchPath("outro-" + std::to_string(seed) + ".jsonl");
    PilotOutcome o = RunAutopilot(seed, trace);
    ASSERT_EQ(o.error, "") << "seed " << seed;
    report += "seed " + std::to_string(seed) + ": " +
              (o.planned ? o.cause + " after " + std::to_string(o.pages) + " pages" : o.failure) +
              "\n";
    if (!o.planned || o.cause != "outro") continue;
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.pages, 8);
    EXPECT_TRUE(o.outroHeard);
    std::vector<Json> lines = ReadTrace(trace);
    std::vector<Json> taken = EventsNamed(lines, "page_taken");
    ASSERT_EQ(taken.size(), 8u);
    std::vector<long long> numbers;
    for (size_t k = 0; k < taken.size(); ++k) {
      EXPECT_EQ(taken[k]["pages"].Int(), static_cast<long long>(k + 1));
      numbers.push_back(taken[k]["page"].Int());
    }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<long long>{1, 2, 3, 4, 5, 6, 7, 8}));
    // Layers start at 1, 3, 5 and 7 pages; the outro comes on the tick of the eighth.
    std::vector<Json> layers = EventsNamed(lines, "layer");
    ASSERT_EQ(layers.size(), 4u);
    const Json outro = EventsNamed(lines, "outro").at(0);
    EXPECT_EQ(outro["ms"].Int(), taken.back()["ms"].Int());
    EXPECT_EQ(static_cast<uint64_t>(outro["ms"].Int()), o.lastTakeMs);
    // The outro is heard to its end: seconds of it, not a cut.
    EXPECT_GT(o.exitMs, static_cast<uint64_t>(outro["ms"].Int()) + 5000);
    return;
  }
  FAIL() << "the autopilot reached the outro on none of the seeds:\n" << report;
}

}  // namespace

namespace {

// Sets an environment variable for one scope; the child runs inherit it.
struct ScopedVariable {
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() { unsetenv(name_); }
  const char* name_;
};

}  // namespace

// The trace without its "speech" lines, and those lines alone.
std::pair<std::string, std::string> SplitSpeech(const std::string& trace) {
  std::istringstream lines(trace);
  std::string line, rest, speech;
  while (std::getline(lines, line)) {
    (line.find("\"event\":\"speech\"") != std::string::npos ? speech : rest) += line + "\n";
  }
  return {rest, speech};
}

// Headphones change the mix and nothing else, asked for by the switch or the variable (in
// any letter case; a word it does not know is one line and asks nothing). A set refused
// (one cut short, which crashed the reader of sets in memory) is told once, in words, on
// standard error and by speech, and after the spoken clip the run is the stereo one.
TEST(SimRuns, HeadphonesChangeOnlyTheMixAndARefusedSetLeavesTheStereoMix) {
  const Standing stereo = RunStanding("stereo", "");
  const Standing binaural = RunStanding("binaural", "", {"--binaural"});
  ASSERT_EQ(stereo.result.status, 0) << stereo.result.err;
  ASSERT_EQ(binaural.result.status, 0) << binaural.result.err;
  EXPECT_EQ(binaural.result.err, "");
  EXPECT_EQ(binaural.traceText, stereo.traceText);
  EXPECT_EQ(binaural.wav.size(), stereo.wav.size());
  EXPECT_NE(binaural.wav, stereo.wav);
  struct Asked {
    const char* value;
    const Standing* heard;
    const char* told;
  };
  for (const Asked& row : {Asked{"On", &binaural, ""}, Asked{"TRUE", &binaural, ""},
                           Asked{"no", &stereo, ""}, Asked{"Off", &stereo, ""},
                           Asked{"maybe", &stereo, "QUELMIRE_BINAURAL='maybe' is not one of"}}) {
    ScopedVariable asked("QUELMIRE_BINAURAL", row.value);
    const Standing heard = RunStanding(std::string("asked-") + row.value, "");
    EXPECT_TRUE(heard.wav == row.heard->wav) << row.value;
    EXPECT_EQ(heard.result.err.rfind(row.told, 0), 0u) << row.value << ": " << heard.result.err;
  }

  const std::string cut = ScratchPath("cut.sofa");
  WriteText(cut, ReadText(QUELMIRE_TEST_HRTF).substr(0, 256));
  ScopedVariable refused("QUELMIRE_HRTF", cut);
  const Standing fallback = RunStanding("fallback", "", {"--binaural"});
  EXPECT_EQ(fallback.result.status, 0);
  EXPECT_EQ(std::count(fallback.result.err.begin(), fallback.result.err.end(), '\n'), 1)
      << fallback.result.err;
  EXPECT_NE(fallback.result.err.find("Headphones are off: the head-related set"),
            std::string::npos);
  const auto [rest, speech] = SplitSpeech(fallback.traceText);
  EXPECT_EQ(rest, stereo.traceText);
  EXPECT_NE(speech.find("Headphones unavailable: it is"), std::string::npos) << speech;
  // The clip "Headphones unavailable" is over within two seconds of play.
  ASSERT_EQ(fallback.wav.size(), stereo.wav.size());
  EXPECT_NE(fallback.wav, stereo.wav);
  EXPECT_TRUE(WavFrom(fallback.wav, 4000) == WavFrom(stereo.wav, 4000));
}
