#include "tools/sim/sim_run.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "game/game.h"
#include "game/game_events.h"
#include "game/game_exit.h"
#include "host/audio/offline_audio_output.h"
#include "host/headless/headless_host.h"
#include "runtime/random.h"
#include "tools/sim/asset_folder.h"
#include "tools/sim/live_channel.h"
#include "tools/sim/map_svg.h"
#include "tools/sim/pcm16_wav.h"
#include "tools/sim/recorder.h"
#include "tools/sim/run_script.h"
#include "tools/sim/world_line.h"

namespace {

[[noreturn]] void Refuse(const std::string& message) {
  std::fprintf(stderr, "quelmire-sim: %s\n", message.c_str());
  std::exit(kExitUsage);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  file.close();
  return !file.fail();
}

// Everything a played run owns. Made once and never destroyed: the run leaves the
// process from a game thread or a time listener, with the game's threads parked.
struct SimRun {
  SimOptions options;
  AssetFolder assets;
  HeadlessHost* host = nullptr;
  Recorder* recorder = nullptr;
  Pcm16WavWriter wav;
  int64_t framesWritten = 0;
  int64_t frameLimit = INT64_MAX;  // frames in the --ms limit
  std::thread::id mainThread;      // the thread that installed the host
  LiveChannel* live = nullptr;     // --live: the client's channel, which writes the WAV
};

SimRun* run = nullptr;

// Moves the frames rendered for the last step of virtual time to the WAV, no further
// than the time limit.
void DrainMix() {
  OfflineAudioOutput& output = run->host->audio();
  const std::vector<float>& samples = output.Samples();
  int64_t frames = std::min<int64_t>(static_cast<int64_t>(samples.size() / 2),
                                     run->frameLimit - run->framesWritten);
  if (frames > 0) {
    run->wav.Append(samples.data(), static_cast<size_t>(frames) * 2);
    run->framesWritten += frames;
  }
  output.ClearSamples();
}

// Writes the exit line and finishes the trace, the WAV and the map; returns the exit
// status. `cause` and `ms` are given for a stop at the time limit.
int WriteOutputs(int32_t code, std::optional<std::string> cause, std::optional<uint64_t> ms) {
  if (run->live != nullptr) {
    run->live->Flush(ms.value_or(UINT64_MAX));
  } else if (run->wav.IsOpen()) {
    DrainMix();
  }
  run->recorder->WriteExit(code, cause, ms);
  run->host->trace().Close();
  int status = code;
  if (run->wav.IsOpen() && !run->wav.Finish()) {
    std::fprintf(stderr, "quelmire-sim: the WAV file '%s' could not be written whole\n",
                 run->options.wavPath.c_str());
    status = kExitOutputLost;
  }
  if (!run->options.mapPath.empty() &&
      !WriteTextFile(run->options.mapPath, MapSvg(run->recorder->Map()))) {
    std::fprintf(stderr, "quelmire-sim: the map '%s' could not be written\n",
                 run->options.mapPath.c_str());
    status = kExitOutputLost;
  }
  if (run->live != nullptr) {
    run->live->End(ms.value_or(run->host->NowMs()), status,
                   cause.value_or(EndCauseName(run->recorder->Cause())));
  }
  LeaveAssetFolder(run->assets);
  return status;
}

// The game's end sequence leaves here, on the main thread, once the stalker thread has
// ended. The host is uninstalled first, so that the scheduler joins that thread rather
// than leaving it to the process's end.
void ExitFromGame(int32_t code) {
  int status = WriteOutputs(code, std::nullopt, std::nullopt);
  if (std::this_thread::get_id() == run->mainThread) run->host->Uninstall();
  std::exit(status);
}

// Ends a live run the client stopped (or whose commands could not be read) at `ms`.
[[noreturn]] void EndLive(uint64_t ms) {
  const std::string& cause = run->live->StopCause();
  std::exit(WriteOutputs(cause == "broken" ? kExitUsage : 0, cause, ms));
}

// A live run hands the step's mix to the client's channel, which answers every target
// the step reached; at the time limit the run ends before a target there is answered.
void FollowLive(uint64_t fromMs, uint64_t toMs) {
  OfflineAudioOutput& output = run->host->audio();
  run->live->Take(fromMs, output.Samples());
  output.ClearSamples();
  uint64_t limit = run->options.limitMs;
  if (run->live->Serve(limit != 0 && toMs >= limit ? limit - 1 : toMs)) return;
  EndLive(run->live->StopMs());
}

// Told each step of virtual time after the mix of the step is rendered. At the limit the
// process ends from here, on whichever game thread holds the baton, with the others
// parked: a scheduler cannot be stopped from inside its own step.
void FollowTime(uint64_t fromMs, uint64_t toMs) {
  if (run->live != nullptr) {
    FollowLive(fromMs, toMs);
  } else if (run->wav.IsOpen()) {
    DrainMix();
  }
  if (run->options.limitMs != 0 && toMs >= run->options.limitMs) {
    std::exit(WriteOutputs(0, "time", run->options.limitMs));
  }
}

void LoadScript(HeadlessHost& host, const SimOptions& o) {
  InputScript script = LoadRunScript(o.scriptPath, o.quickStart);
  if (!script.errors.empty()) {
    for (const ScriptError& error : script.errors) {
      // Line 0 is the file as a whole, and its message names the file already.
      std::string where = error.line == 0 ? "" : o.scriptPath + ": ";
      std::fprintf(stderr, "quelmire-sim: %s%s\n", where.c_str(), error.Text().c_str());
    }
    std::exit(kExitUsage);
  }
  std::vector<ScriptError> errors = host.LoadInputScript(ScriptText(script.events));
  if (!errors.empty()) Refuse("the merged script was refused: " + errors.front().Text());
}

void OpenOutputs(SimRun& r) {
  if (!r.options.tracePath.empty() && !r.host->trace().OpenFile(r.options.tracePath)) {
    Refuse("cannot write the trace '" + r.options.tracePath + "'");
  }
  r.host->trace().KeepInMemory(false);
  if (!r.options.wavPath.empty() && !r.wav.Open(r.options.wavPath, r.options.rate)) {
    Refuse("cannot write the WAV file '" + r.options.wavPath + "'");
  }
  // Without a WAV file or a live client the mix is still rendered, and dropped as it comes.
  r.host->audio().KeepInMemory(r.wav.IsOpen() || r.options.live);
  if (r.options.limitMs != 0) {
    r.frameLimit =
        static_cast<int64_t>(r.options.limitMs * static_cast<uint64_t>(r.options.rate) / 1000);
  }
}

// The live channel takes standard output for its frames; anything else printed there
// goes to standard error instead. The commands of time 0 are read before the game starts.
void StartLive(SimRun& r) {
#ifdef SIGPIPE  // Windows has no such signal: a write to a closed pipe just fails there
  std::signal(SIGPIPE, SIG_IGN);  // a client that left is seen as a failed write
#endif
  std::fflush(stdout);
  int out = dup(STDOUT_FILENO);
  if (out < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) Refuse("cannot take standard output");
  r.live = new LiveChannel(*r.host, r.options.rate, STDIN_FILENO, out);
  r.live->SetWav(&r.wav);
  if (!r.options.recordPath.empty()) r.live->RecordTo(r.options.recordPath);
  if (r.live->Begin()) return;
  EndLive(0);
}

// Output paths are given relative to where the command was started, and the run moves
// to the asset folder's parent.
SimOptions WithAbsolutePaths(SimOptions o) {
  o.scriptPath = AbsolutePath(o.scriptPath);
  o.tracePath = AbsolutePath(o.tracePath);
  o.wavPath = AbsolutePath(o.wavPath);
  o.mapPath = AbsolutePath(o.mapPath);
  o.recordPath = AbsolutePath(o.recordPath);
  return o;
}

}  // namespace

int RunWorldCommand(const SimOptions& options) {
  if (!options.assetsPath.empty()) {
    AssetFolder assets = EnterAssetFolder(options.assetsPath);
    if (!assets.error.empty()) Refuse(assets.error);
    LeaveAssetFolder(assets);
  }
  // Without --seed the line still names a seed that rebuilds the same world.
  int32_t seed = options.seed ? *options.seed : static_cast<int32_t>(std::random_device{}());
  // The sound engine is not started: the world's sound loads fail at once.
  std::string line = BuildWorldLine(seed);
  std::printf("%s\n", line.c_str());
  if (std::fflush(stdout) != 0) return kExitOutputLost;
  if (options.mapPath.empty()) return 0;
  MapRecord map;
  map.seed = seed;
  map.TakeWorld();
  if (!WriteTextFile(options.mapPath, MapSvg(map))) {
    std::fprintf(stderr, "quelmire-sim: the map '%s' could not be written\n",
                 options.mapPath.c_str());
    return kExitOutputLost;
  }
  return 0;
}

void RunGameCommand(const SimOptions& given) {
  run = new SimRun;
  run->options = WithAbsolutePaths(given);
  const SimOptions& o = run->options;
  run->assets = EnterAssetFolder(o.assetsPath);
  if (!run->assets.error.empty()) Refuse(run->assets.error);

  HeadlessOptions hostOptions;
  hostOptions.audioRate = o.rate;
  run->host = new HeadlessHost(hostOptions);
  LoadScript(*run->host, o);
  OpenOutputs(*run);
  run->recorder = new Recorder(*run->host, o.seed, o.traceTicks);
  run->host->AddTimeListener(FollowTime);
  InstallGameEvents(run->recorder);
  InstallProcessExit(ExitFromGame);

  if (o.live) StartLive(*run);

  run->mainThread = std::this_thread::get_id();
  run->host->Install();
  if (o.seed) RandomSeed(*o.seed);
  ProgramEntry();
}
