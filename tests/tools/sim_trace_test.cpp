// What a whole run's trace shows that the unit tests cannot: every cue mixed by the law
// for its listener and source, footsteps every 31st tick of walking, an ambient noise
// every 101st tick, and ticks 17 ms apart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "game/rules.h"
#include "mix_law.h"
#include "sim_child.h"

namespace {

class SimTrace : public testing::Test {
 protected:
  // One minute of walking, stopping, turning and walking again, read once for every test.
  static void SetUpTestSuite() {
    // CTest runs each case as its own process, two at a time: each has its own files.
    std::string stem = ScratchPath("walk-" + std::to_string(getpid()));
    std::string script = stem + ".txt", trace = stem + ".jsonl";
    WriteText(script,
              "500 key down W\n9000 key down Right\n+1200 key up Right\n20000 key up W\n"
              "21000 key down LCtrl\n+50 key up LCtrl\n"
              "23000 key down A\n+3000 key up A\n28000 key down Left\n+700 key up Left\n"
              "29000 key down S\n+4000 key up S\n33000 key down W\n+25000 key up W\n");
    SimResult result = RunSim({"--seed", "11", "--quick-start", "--script", script, "--ms", "60000",
                               "--trace", trace, "--trace-ticks"});
    ASSERT_EQ(result.status, 0) << result.err;
    lines_ = new std::vector<Json>(ReadTrace(trace));
    std::filesystem::remove(script);
    std::filesystem::remove(trace);
  }
  static void TearDownTestSuite() {
    delete lines_;
    lines_ = nullptr;
  }

  static const std::vector<Json>& Lines() { return *lines_; }

  // Tick numbers by the virtual ms they ran at.
  static std::map<long long, long long> TickAtMs() {
    std::map<long long, long long> ticks;
    for (const Json& tick : EventsNamed(Lines(), "tick"))
      ticks[tick["ms"].Int()] = tick["tick"].Int();
    return ticks;
  }

 private:
  static std::vector<Json>* lines_;
};

std::vector<Json>* SimTrace::lines_ = nullptr;

bool IsFootstep(const std::string& name) {
  return name.rfind("terrain/", 0) == 0 || name == "steps/fence";
}

TEST_F(SimTrace, RanToItsLimitWithTicks17MsApart) {
  ASSERT_EQ(Lines().back()["cause"].Str(), "time") << "the run ended early";
  std::vector<Json> ticks = EventsNamed(Lines(), "tick");
  ASSERT_GT(ticks.size(), 3000u);
  for (size_t i = 0; i < ticks.size(); ++i) {
    ASSERT_EQ(ticks[i]["tick"].Int(), static_cast<long long>(i + 1));
    if (i > 0) {
      ASSERT_EQ(ticks[i]["ms"].Int() - ticks[i - 1]["ms"].Int(), 17) << i;
    }
  }
  EXPECT_EQ(ticks[0]["ms"].Int(), EventsNamed(Lines(), "play").at(0)["ms"].Int() + 17);
}

TEST_F(SimTrace, EveryCueIsMixedByTheLawForItsListenerAndSource) {
  int positional = 0, centred = 0;
  for (const Json& cue : EventsNamed(Lines(), "cue")) {
    const Json& l = cue["listener"];
    if (cue["nonPositional"].Int() == 1) {
      ++centred;
      EXPECT_EQ(cue["pan"].Int(), 0) << cue["name"].Str();
      EXPECT_EQ(cue["volume"].Int(), 100) << cue["name"].Str();
      continue;
    }
    ++positional;
    LawMix law = MixByLaw(l["x"].Float(), l["y"].Float(), cue["x"].Float(), cue["y"].Float(),
                          static_cast<int32_t>(l["heading"].Int()), rules::kCueFalloff);
    EXPECT_EQ(cue["pan"].Int(), law.pan) << "cue at " << cue["ms"].Int() << " ms";
    EXPECT_EQ(cue["volume"].Int(), law.volume) << "cue at " << cue["ms"].Int() << " ms";
  }
  // Page hints, the compass and ambient noises are positional; footsteps are centred.
  EXPECT_GT(positional, 20);
  EXPECT_GT(centred, 50);
}

TEST_F(SimTrace, TheTestsLawHoldsTheWorkedValues) {
  // The oracle above, on values worked by hand from the law's description with the
  // table's numbers: a cue falloff of 3 and a divisor of 1.5 behind.
  LawMix behind = MixByLaw(75, 75, 75, 70, 90, rules::kCueFalloff);
  EXPECT_EQ(behind.pan, -100);
  EXPECT_EQ(behind.volume, 62);
  LawMix diagonal = MixByLaw(75, 75, 80, 80, 0, rules::kCueFalloff);
  EXPECT_EQ(diagonal.pan, 71);
  EXPECT_EQ(diagonal.volume, 90);
  LawMix here = MixByLaw(75, 75, 75, 75, 90, rules::kCueFalloff);
  EXPECT_EQ(here.pan, 84);
  EXPECT_EQ(here.volume, 67);
}

TEST_F(SimTrace, DroppedCuesLieOutOfRangeOfTheListener) {
  // Ambient noises play before the tick's moves: the listener stands where the last
  // tick left it.
  std::map<long long, const Json*> tickByMs;
  std::vector<Json> ticks = EventsNamed(Lines(), "tick");
  for (const Json& t : ticks) tickByMs[t["ms"].Int()] = &t;
  int checked = 0;
  for (const Json& drop : EventsNamed(Lines(), "cue_dropped")) {
    EXPECT_GE(drop["distance"].Int(), 100);
    auto before = tickByMs.find(drop["ms"].Int() - 17);
    if (before == tickByMs.end()) continue;
    const Json& p = (*before->second)["player"];
    double dx = p["x"].Float() - static_cast<double>(drop["x"].Float());
    double dy = p["y"].Float() - static_cast<double>(drop["y"].Float());
    EXPECT_EQ(drop["distance"].Int(), static_cast<long long>(std::sqrt(dx * dx + dy * dy)));
    ++checked;
  }
  EXPECT_GT(checked, 0) << "no cue went out of range in this run; pick a longer one";
}

TEST_F(SimTrace, FootstepsComeEvery31stTickOfWalking) {
  std::map<long long, long long> tickAt = TickAtMs();
  std::set<long long> heard;
  for (const Json& cue : EventsNamed(Lines(), "cue")) {
    if (IsFootstep(cue["name"].Str())) heard.insert(tickAt.at(cue["ms"].Int()));
  }
  // The counter counts ticks with a movement key held and is reset only by a footstep.
  std::set<long long> expected;
  int counter = 0, walkingTicks = 0;
  for (const Json& tick : EventsNamed(Lines(), "tick")) {
    if (tick["player"]["direction"].Int() == 0) continue;
    ASSERT_EQ(tick["player"]["running"].Int(), 0) << "this run only walks";
    ++walkingTicks;
    if (++counter > 30) {
      expected.insert(tick["tick"].Int());
      counter = 0;
    }
  }
  EXPECT_GT(walkingTicks, 2000);
  EXPECT_EQ(heard, expected);
}

TEST_F(SimTrace, AnAmbientNoiseComesEvery101stTick) {
  std::map<long long, long long> tickAt = TickAtMs();
  std::vector<long long> ticks;
  for (const char* event : {"cue", "cue_dropped"}) {
    for (const Json& cue : EventsNamed(Lines(), event)) {
      if (cue["name"].Str().rfind("ambience/amb", 0) == 0)
        ticks.push_back(tickAt.at(cue["ms"].Int()));
    }
  }
  std::sort(ticks.begin(), ticks.end());
  long long lastTick = tickAt.rbegin()->second;
  ASSERT_EQ(ticks.size(), static_cast<size_t>(lastTick / 101));
  for (size_t i = 0; i < ticks.size(); ++i)
    EXPECT_EQ(ticks[i], 101 * static_cast<long long>(i + 1));
}

}  // namespace
