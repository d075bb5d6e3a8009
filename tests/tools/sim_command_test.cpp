// quelmire-sim's refusals and its world line, run as a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "game/rules.h"
#include "sim_child.h"

namespace {

// A copy of the tool at <scratch>/<name>/games/quelmire-sim, made afresh; its path.
std::string CopyOfSim(const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path root = ScratchPath(name);
  fs::remove_all(root);
  fs::create_directories(root / "games");
  fs::copy_file(QUELMIRE_SIM, root / "games" / "quelmire-sim");
  return (root / "games" / "quelmire-sim").string();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(SimCommand, BadOptionsScriptsAndAssetFoldersExitWithStatus2AndSayWhy) {
  std::string script = ScratchPath("bad-script.txt");
  WriteText(script, "0 key down W\n100 key sideways W\n# fine\n-5 key up W\n200 mouse down 7\n");
  std::string emptyDir = ScratchPath("no-assets-here");
  std::filesystem::create_directories(emptyDir);
  // A copy of the tool with no sounds beside it or in an install's data folder: run from
  // an empty folder, it finds none anywhere.
  const std::string loneSim = CopyOfSim("lone");
  const std::string noSounds = "Error finding the sound files: no assets folder.";

  std::string kept = ScratchPath("kept-script.txt");
  WriteText(kept, "0 key down W\n");
  std::string longWord = ScratchPath("long-word.txt");
  WriteText(longWord, "0 key down " + std::string(5000, 'Q') + "\n0 \x1b[2J\n");

  struct Case {
    std::vector<std::string> args;
    std::string dir;
    std::vector<std::string> says;         // one line each, in order
    std::vector<std::string> absent = {};  // outputs that must not be left behind
    std::string program = "";              // a copy of the tool to run instead
  };
  const std::string trace = ScratchPath("refused.jsonl"), shared = ScratchPath("shared.out");
  const Case cases[] = {
      {{"--frobnicate"}, "", {"unknown option '--frobnicate'"}},
      {{"--seed", "0x1FFFFFFFF"}, "", {"--seed wants a 32-bit"}},
      {{"--ms"}, "", {"--ms wants a value"}},
      {{"--script", ScratchPath("missing.txt")}, "", {"cannot read the input script"}},
      {{"--script", script}, "", {"line 2:", "line 4:", "line 5:"}},
      {{"--quick-start"}, emptyDir, {noSounds}, {}, loneSim},
      // A folder given by name is the only place looked at, though assets/ is here.
      {{"--assets", ScratchPath("nowhere")},
       "",
       {"Error finding the sound files: no assets folder '" + ScratchPath("nowhere") + "'."}},
      {{"--world", "--seed", "1", "--assets", ScratchPath("nowhere")},
       "",
       {"no assets folder '" + ScratchPath("nowhere") + "'."}},
      {{"--trace", ScratchPath("no/such/folder/t.jsonl")}, "", {"cannot write the trace"}},
      // Every output is made before the run: a bad one refuses it at once, and the
      // outputs made before it are not left behind.
      {{"--trace", trace, "--map", ScratchPath("no/such/folder/m.svg")},
       "",
       {"cannot write the map '" + ScratchPath("no/such/folder/m.svg") +
        "': No such file or directory"},
       {trace}},
      {{"--live", "--trace", trace, "--record", ScratchPath("no/such/folder/r.txt")},
       "",
       {"cannot write the recorded script"},
       {trace}},
      {{"--trace", shared, "--wav", shared},
       "",
       {"--trace and --wav name the same file"},
       {shared}},
      {{"--wav", shared, "--map", ScratchPath("x/../shared.out")},
       "",
       {"--wav and --map name the same file"},
       {shared}},
      {{"--script", kept, "--trace", kept}, "", {"--script and --trace name the same file"}},
      {{"--live", "--trace", "/dev/stdout"},
       "",
       {"--trace names the live channel's standard output"}},
      {{"--live", "--script", "/dev/stdin"},
       "",
       {"--script names the live channel's standard input"}},
      {{"--script", "/dev/zero"}, "", {"the input script '/dev/zero' is longer than 64 MiB"}},
      {{"--script", longWord},
       "",
       {"line 1: a line is at most 4096 bytes, not 5011", "line 2: unknown event '\\x1b[2J'"}},
      {{"--ms", "99999999999999999999"}, "", {"1 .. 1000000000000 (about 31 years)"}},
  };
  for (const Case& c : cases) {
    SimResult result = RunSim(c.args, c.dir, "", 900, c.program);
    EXPECT_EQ(result.status, 2) << c.args[0] << ": " << result.err;
    std::vector<std::string> lines = Lines(result.err);
    ASSERT_EQ(lines.size(), c.says.size()) << result.err;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].rfind("quelmire-sim: ", 0), 0u) << lines[i];
      EXPECT_NE(lines[i].find(c.says[i]), std::string::npos) << lines[i];
    }
    EXPECT_EQ(result.out, "");
    for (const std::string& path : c.absent) EXPECT_FALSE(std::filesystem::exists(path)) << path;
  }
  EXPECT_EQ(ReadText(kept), "0 key down W\n") << "the script was not overwritten";
}

// Without --assets the tool looks where the game does: a copy of it in an install's
// games/ folder, started in an empty folder, plays with the install's sounds.
TEST(SimCommand, WithoutAssetsItFindsTheSoundsWhereTheGameDoes) {
  namespace fs = std::filesystem;
  const std::string program = CopyOfSim("installed");
  const fs::path root = ScratchPath("installed");
  fs::create_directories(root / "share" / "games" / "quelmire");
  fs::create_directory_symlink(QUELMIRE_RUN_DIR "/assets",
                               root / "share" / "games" / "quelmire" / "assets");
  fs::create_directories(root / "home");
  SimResult result = RunSim({"--seed", "2", "--quick-start", "--ms", "300"},
                            (root / "home").string(), "", 900, program);
  EXPECT_EQ(result.status, 0) << result.err;
  fs::remove_all(root);
}

// Runs 20 s of seed 2 with `option` writing to `path`, which cannot take it all; the run
// must end with status 1, one line, and no file that looks whole.
void ExpectOutputLost(const std::string& option, const std::string& path, bool removed) {
  std::vector<std::string> args = {"--seed", "2", "--quick-start", "--ms", "20000", "--trace-ticks",
                                   option,   path};
  // Named for the case: the tests of this file may run at once, in separate processes.
  std::string beside = ScratchPath("beside" + option + (removed ? "-disk" : "-device") + ".jsonl");
  if (option != "--trace") args.insert(args.end(), {"--trace", beside});
  SimResult result = RunSim(args);
  EXPECT_EQ(result.status, 1) << result.err;
  const std::string what = option == "--trace" ? "trace" : option == "--wav" ? "WAV file" : "map";
  EXPECT_EQ(result.err, "quelmire-sim: the " + what + " '" + path +
                            "' could not be written whole (No space left on device)" +
                            (removed ? "; it was removed" : "") + "\n");
  if (removed) {
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  if (option == "--wav") {
    // The run ended when the WAV failed, not at its limit, and its trace says so.
    std::vector<Json> exit = EventsNamed(ReadTrace(beside), "exit");
    ASSERT_EQ(exit.size(), 1u);
    EXPECT_EQ(exit[0]["cause"].Str(), "output");
    EXPECT_EQ(exit[0]["code"].Int(), 1);
    EXPECT_LT(exit[0]["ms"].Int(), 20000);
  }
}

TEST(SimCommand, AnOutputOnAFullDeviceEndsTheRunWithStatus1) {
  for (const char* option : {"--trace", "--wav", "--map"}) {
    SCOPED_TRACE(option);
    ExpectOutputLost(option, "/dev/full", false);
  }
}

TEST(SimCommand, AnOutputThatFillsTheDiskEndsTheRunWithStatus1AndIsRemoved) {
  const std::string at = ScratchPath("small-disk");
  std::filesystem::create_directories(at);
  // 64 KiB: the trace's ticks and the WAV outgrow it within seconds of the run.
  if (mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                 << "): a full disk is only tried on /dev/full";
  }
  ExpectOutputLost("--trace", at + "/t.jsonl", true);
  ExpectOutputLost("--wav", at + "/m.wav", true);
  EXPECT_EQ(umount(at.c_str()), 0);
}

// The rules' line is what tools and players outside the game read its numbers from: each
// must be the game's own, at the game's precision, and none may be missing.
TEST(SimCommand, TheRulesLineHoldsEveryRuleAsTheGamePlaysIt) {
  SimResult result = RunSim({"--rules"});
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(Lines(result.out).size(), 1u);
  std::optional<Json> line = ParseJson(result.out.substr(0, result.out.size() - 1));
  ASSERT_TRUE(line.has_value()) << result.out;
  using namespace rules;
  const std::pair<const char*, long long> whole[] = {
      {"tickMs", kTickMs},
      {"fieldWidth", kFieldWidth},
      {"fieldHeight", kFieldHeight},
      {"obstacleCount", kObstacleCount},
      {"obstacleSize", kObstacleSize},
      {"tunnelLength", kTunnelLength},
      {"tunnelWidth", kTunnelWidth},
      {"keepOutWidth", kKeepOutWidth},
      {"keepOutHeight", kKeepOutHeight},
      {"audibleRange", kAudibleRange},
      {"ambienceInterval", kAmbienceInterval},
      {"cueFalloff", kCueFalloff},
      {"stalkerFalloff", kStalkerFalloff},
      {"turnDegrees", kTurnDegrees},
      {"walkStepInterval", kWalkStepInterval},
      {"runStepInterval", kRunStepInterval},
      {"knockEvery", kKnockEvery},
      {"pageReach", kPageReach},
      {"hintPeriodTicks", kHintPeriodTicks},
      {"killDistance", kKillDistance},
      {"deathHoldMs", kDeathHoldMs},
  };
  const std::pair<const char*, float> single[] = {
      {"startSpeed", kStartSpeed},       {"walkSpeed", kWalkSpeed},
      {"runSpeed", kRunSpeed},           {"startStamina", kStartStamina},
      {"staminaCap", kStaminaCap},       {"runStartsAbove", kRunStartsAbove},
      {"runStopsBelow", kRunStopsBelow}, {"compassDistance", kCompassDistance},
  };
  const std::pair<const char*, double> doubles[] = {
      {"mouseCountsPerDegree", kMouseCountsPerDegree},
      {"staminaGainPerTick", kStaminaGainPerTick},
      {"runCostPerTick", kRunCostPerTick},
      {"behindVolumeDivisor", kBehindVolumeDivisor},
  };
  for (const auto& [name, value] : whole) EXPECT_EQ((*line)[name].Int(), value) << name;
  for (const auto& [name, value] : single) EXPECT_EQ((*line)[name].Float(), value) << name;
  for (const auto& [name, value] : doubles) EXPECT_EQ((*line)[name].Number(), value) << name;
  EXPECT_EQ(line->fields.size(), std::size(whole) + std::size(single) + std::size(doubles));
}

// The headphones' ring as players that listen with headphones read it: a filter pair and a
// delay pair for each direction round the head, at the rate asked. A set that cannot be read
// is told, never printed as a ring.
TEST(SimCommand, TheRingLineHoldsTheRingAtTheRateAskedOrSaysWhyNot) {
  for (const char* rate : {"44100", "48000"}) {
    SCOPED_TRACE(rate);
    SimResult result = RunSim({"--ring", "--rate", rate});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(Lines(result.out).size(), 1u);
    std::optional<Json> line = ParseJson(result.out.substr(0, result.out.size() - 1));
    ASSERT_TRUE(line.has_value()) << result.out.substr(0, 200);
    const Json& ring = *line;
    EXPECT_EQ(ring["rate"].Int(), std::stoll(rate));
    const long long length = ring["length"].Int();
    const size_t directions = ring["left"].items.size();
    EXPECT_EQ(static_cast<double>(directions) * ring["spacing"].Number(), 360.0);
    for (const char* ear : {"left", "right"}) {
      ASSERT_EQ(ring[ear].items.size(), directions);
      for (const Json& taps : ring[ear].items) EXPECT_EQ(taps.items.size(), size_t(length));
    }
    for (const char* delays : {"delayLeft", "delayRight"}) {
      ASSERT_EQ(ring[delays].items.size(), directions);
      for (const Json& delay : ring[delays].items) {
        EXPECT_GE(delay.Number(), 0.0);
        EXPECT_LT(delay.Number(), static_cast<double>(length));
      }
    }
  }
  setenv("QUELMIRE_HRTF", "/nonexistent/set.sofa", 1);
  SimResult refused = RunSim({"--ring"});
  unsetenv("QUELMIRE_HRTF");
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("quelmire-sim: no headphones' ring: "), std::string::npos)
      << refused.err;
}

TEST(SimCommand, WorldOfSeed12345IsTheOneThePlacementRulesGive) {
  SimResult result = RunSim({"--world", "--seed", "12345"});
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(Lines(result.out).size(), 1u);
  std::optional<Json> world = ParseJson(result.out.substr(0, result.out.size() - 1));
  ASSERT_TRUE(world.has_value()) << result.out;
  const Json& w = *world;
  EXPECT_EQ(w["seed"].Int(), 12345);
  auto rect = [](const Json& r) {
    return std::vector<double>{r["xMin"].Number(), r["xMax"].Number(), r["yMin"].Number(),
                               r["yMax"].Number()};
  };
  EXPECT_EQ(rect(w["tunnel"]), (std::vector<double>{127, 147, 125, 130}));
  EXPECT_EQ(rect(w["keepOut"]), (std::vector<double>{14, 24, 84, 89}));
  ASSERT_EQ(w["obstacles"].items.size(), 100u);
  EXPECT_EQ(rect(w["obstacles"][0]), (std::vector<double>{42, 45, 107, 110}));
  EXPECT_EQ(rect(w["obstacles"][99]), (std::vector<double>{133, 136, 145, 148}));
  const double pages[8][2] = {{114, 75}, {49, 83},   {109, 25}, {94, 120},
                              {12, 36},  {137, 138}, {61, 1},   {41, 127}};
  ASSERT_EQ(w["pages"].items.size(), 8u);
  for (size_t k = 0; k < 8; ++k) {
    EXPECT_EQ(w["pages"][k]["number"].Int(), static_cast<long long>(k + 1));
    EXPECT_EQ(w["pages"][k]["x"].Number(), pages[k][0]) << k;
    EXPECT_EQ(w["pages"][k]["y"].Number(), pages[k][1]) << k;
  }
  EXPECT_EQ(w["player"]["x"].Number(), 38);
  EXPECT_EQ(w["player"]["y"].Number(), 80);
  // The exact line: integers without a point, fields in the documented order.
  EXPECT_EQ(result.out.rfind("{\"seed\":12345,\"tunnel\":{\"xMin\":127,\"xMax\":147,\"yMin\":125,"
                             "\"yMax\":130},\"keepOut\":{\"xMin\":14,",
                             0),
            0u);
  EXPECT_NE(result.out.find("],\"player\":{\"x\":38,\"y\":80}}\n"), std::string::npos);
}

TEST(SimCommand, SeedsNameTheSame32BitsHowEverWritten) {
  std::string decimal = RunSim({"--world", "--seed", "4294967295"}).out;
  std::string negative = RunSim({"--world", "--seed", "-1"}).out;
  std::string hex = RunSim({"--world", "--seed", "0xffffffff"}).out;
  EXPECT_EQ(decimal, negative);
  EXPECT_EQ(hex, negative);
  EXPECT_EQ(negative.rfind("{\"seed\":-1,", 0), 0u);
  EXPECT_NE(RunSim({"--world", "--seed", "1"}).out, RunSim({"--world", "--seed", "2"}).out);

  // Without a seed the line names the one it drew, and that seed gives the same world.
  std::string drawn = RunSim({"--world"}).out;
  std::optional<Json> world = ParseJson(drawn.substr(0, drawn.size() - 1));
  ASSERT_TRUE(world.has_value());
  std::string again = RunSim({"--world", "--seed", (*world)["seed"].Str()}).out;
  EXPECT_EQ(again, drawn);
}

// Sets TMPDIR for the children started while it lives.
struct TempFolderFor {
  explicit TempFolderFor(const std::string& dir) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    setenv("TMPDIR", dir.c_str(), 1);
  }
  ~TempFolderFor() { unsetenv("TMPDIR"); }
};

TEST(SimCommand, TheAssetLinksFolderIsRemovedHowEverTheRunEnds) {
  // A sound folder not named assets is reached through a link in a private folder
  // under TMPDIR; none may be left behind.
  std::string sounds = ScratchPath("sounds");
  std::filesystem::remove(sounds);
  std::filesystem::create_directory_symlink(std::string(QUELMIRE_RUN_DIR) + "/assets", sounds);
  std::string bad = ScratchPath("bad-line.txt");
  WriteText(bad, "0 jump\n");
  const std::string tmp = ScratchPath("tmp");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {"a refused script", {"--script", bad}, 2},
      {"a bad output path", {"--trace", ScratchPath("no/such/folder/t.jsonl")}, 2},
      {"an output that fails", {"--wav", "/dev/full"}, 1},
      {"the time limit", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolderFor temp(tmp);
    std::vector<std::string> args = {"--assets",      sounds, "--seed", "2",
                                     "--quick-start", "--ms", "500"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(RunSim(args).status, c.status);
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
  }

  // Ended by a signal in the middle of the run.
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    TempFolderFor temp(tmp);
    int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t sim = StartSim({"--assets", sounds, "--seed", "2", "--quick-start", "--wav", "/dev/null",
                          "--ms", "20000000"},
                         null, null, null);
    close(null);
    // Once the link is there the run has begun.
    for (int waited = 0; waited < 3000 && std::filesystem::is_empty(tmp); ++waited) usleep(10'000);
    ASSERT_FALSE(std::filesystem::is_empty(tmp));
    usleep(200'000);
    kill(sim, signal);
    EXPECT_EQ(WaitSim(sim, 60), 128 + signal);
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
  }
}

}  // namespace
