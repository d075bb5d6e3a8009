#include "tools/sim/sim_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "game/game.h"
#include "game/game_events.h"
#include "game/game_exit.h"
#include "game/headphones.h"
#include "game/settings.h"
#include "host/audio/offline_audio_output.h"
#include "host/headless/headless_host.h"
#include "runtime/random.h"
#include "runtime/shown_text.h"
#include "tools/sim/asset_folder.h"
#include "tools/sim/live_channel.h"
#include "tools/sim/map_svg.h"
#include "tools/sim/pcm16_wav.h"
#include "tools/sim/recorder.h"
#include "tools/sim/run_script.h"
#include "tools/sim/world_line.h"

namespace {

namespace fs = std::filesystem;

// Everything a played run owns. Made once and never destroyed: the run leaves the
// process from a game thread or a time listener, with the game's threads parked.
struct SimRun {
  SimOptions options;
  AssetFolder assets;
  HeadlessHost* host = nullptr;
  Recorder* recorder = nullptr;
  Pcm16WavWriter wav;
  std::FILE* mapFile = nullptr;      // opened before the run, written at its end
  std::FILE* recordFile = nullptr;   // likewise, the live input as a script
  std::vector<std::string> created;  // outputs opened so far, for a refusal to remove
  int64_t framesWritten = 0;
  int64_t frameLimit = INT64_MAX;  // frames in the --ms limit
  std::thread::id mainThread;      // the thread that installed the host
  LiveChannel* live = nullptr;     // --live: the client's channel, which writes the WAV
};

SimRun* run = nullptr;

// Removes the asset link's private folder, if any, and ends the process.
[[noreturn]] void LeaveWith(int status) {
  if (run != nullptr) LeaveAssetFolder(run->assets);
  std::exit(status);
}

// Removes `path` when it is a regular file: what is left of an output that failed, or
// one made before a refusal, is not to be taken for a whole one.
void RemoveIfRegular(const std::string& path) {
  std::error_code error;
  if (fs::is_regular_file(path, error)) fs::remove(path, error);
}

[[noreturn]] void Refuse(const std::string& message) {
  std::fprintf(stderr, "quelmire-sim: %s\n", message.c_str());
  if (run != nullptr) {
    for (const std::string& path : run->created) RemoveIfRegular(path);
  }
  LeaveWith(kExitUsage);
}

// One line for an output that does not hold what it should; the file is removed.
void TellLost(const char* what, const std::string& path, const std::string& why) {
  bool removed = fs::is_regular_file(path);
  RemoveIfRegular(path);
  std::fprintf(stderr, "quelmire-sim: %s %s could not be written whole (%s)%s\n", what,
               QuotedExcerpt(path).c_str(), why.c_str(), removed ? "; it was removed" : "");
}

// Writes `text` to `file` and closes it; an empty string, or what went wrong.
std::string WriteAndClose(std::FILE* file, const std::string& text) {
  std::string error;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) error = std::strerror(errno);
  if (std::fclose(file) != 0 && error.empty()) error = std::strerror(errno);
  return error;
}

// Writes and closes an output made before the run; false, told and removed, when it failed.
bool FinishOutput(std::FILE* file, const std::string& text, const char* what,
                  const std::string& path) {
  std::string error = WriteAndClose(file, text);
  if (!error.empty()) TellLost(what, path, error);
  return error.empty();
}

// Creates `path` for writing, or refuses the run.
std::FILE* CreateOrRefuse(const std::string& path, const char* what) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    Refuse(std::string("cannot write ") + what + " " + QuotedExcerpt(path) + ": " +
           std::strerror(errno));
  }
  return file;
}

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

// Writes the exit line and finishes the trace, the WAV, the map and the recorded
// script; returns the exit status. `cause` and `ms` are given for a stop before the
// game's own end (the time limit, a live stop, an output that failed).
int WriteOutputs(int32_t code, std::optional<std::string> cause, std::optional<uint64_t> ms) {
  if (run->live != nullptr) {
    run->live->Flush(ms.value_or(UINT64_MAX));
  } else if (run->wav.IsOpen()) {
    DrainMix();
  }
  const SimOptions& o = run->options;
  const uint64_t endMs = ms.value_or(run->host->NowMs());
  const std::string endCause = cause.value_or(EndCauseName(run->recorder->Cause()));
  run->recorder->WriteExit(code, cause, ms);
  int status = code;
  if (!run->host->trace().Close()) {
    TellLost("the trace", o.tracePath, run->host->trace().FileError());
    status = kExitOutputLost;
  }
  if (!o.wavPath.empty() && !run->wav.Finish()) {
    TellLost("the WAV file", o.wavPath, run->wav.Error());
    status = kExitOutputLost;
  }
  if (run->mapFile != nullptr &&
      !FinishOutput(run->mapFile, MapSvg(run->recorder->Map()), "the map", o.mapPath)) {
    status = kExitOutputLost;
  }
  if (run->recordFile != nullptr &&
      !FinishOutput(run->recordFile, run->live->RecordedScript(endMs, endCause),
                    "the recorded script", o.recordPath)) {
    status = kExitOutputLost;
  }
  if (run->live != nullptr) run->live->End(endMs, status, endCause);
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

// Ends a live run the client stopped (or whose commands could not be read, or which
// could not answer) at `ms`.
[[noreturn]] void EndLive(uint64_t ms) {
  const std::string& cause = run->live->StopCause();
  int32_t code = 0;
  if (cause == "broken") code = kExitUsage;
  if (cause == "lost") {
    std::fprintf(stderr, "quelmire-sim: live: the client stopped reading at %llu ms\n",
                 static_cast<unsigned long long>(ms));
    code = kExitOutputLost;
  }
  std::exit(WriteOutputs(code, cause, ms));
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
// parked: a scheduler cannot be stopped from inside its own step. So does a run whose
// trace or WAV can no longer be written: nothing it does from then on would be kept.
void FollowTime(uint64_t fromMs, uint64_t toMs) {
  if (run->live != nullptr) {
    FollowLive(fromMs, toMs);
  } else if (run->wav.IsOpen()) {
    DrainMix();
  }
  if (run->options.limitMs != 0 && toMs >= run->options.limitMs) {
    std::exit(WriteOutputs(0, "time", run->options.limitMs));
  }
  if (run->host->trace().Failed() || run->wav.Failed()) {
    std::exit(WriteOutputs(kExitOutputLost, "output", toMs));
  }
}

void LoadScript(HeadlessHost& host, const SimOptions& o) {
  InputScript script = LoadRunScript(o.scriptPath, o.quickStart);
  if (!script.errors.empty()) {
    for (const ScriptError& error : script.errors) {
      // Line 0 is the file as a whole, and its message names the file already.
      std::string where = error.line == 0 ? "" : QuotedExcerpt(o.scriptPath) + ": ";
      std::fprintf(stderr, "quelmire-sim: %s%s\n", where.c_str(), error.Text().c_str());
    }
    LeaveWith(kExitUsage);
  }
  std::vector<ScriptError> errors = host.LoadInputScript(ScriptText(script.events));
  if (!errors.empty()) Refuse("the merged script was refused: " + errors.front().Text());
}

// Whether `a` and `b` name one regular file, or one not yet made (devices may repeat).
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  fs::file_status status = fs::status(a, error);
  if (fs::exists(status)) {
    return fs::is_regular_file(status) && fs::equivalent(a, b, error) && !error;
  }
  std::error_code other;
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, other) && !error && !other;
}

// Whether `path` is the file open as descriptor `fd` (a pipe or terminal too).
bool IsOpenAs(const std::string& path, int fd) {
  struct stat named = {};
  struct stat opened = {};
  if (stat(path.c_str(), &named) != 0 || fstat(fd, &opened) != 0) return false;
  return named.st_ino != 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// Two outputs in one file would corrupt both, and an output on the script would destroy it.
void RefuseSharedFiles(const SimOptions& o) {
  const std::pair<const char*, const std::string*> files[] = {
      {"--script", &o.scriptPath}, {"--trace", &o.tracePath},   {"--wav", &o.wavPath},
      {"--map", &o.mapPath},       {"--record", &o.recordPath}, {"--settings", &o.settingsPath}};
  for (size_t i = 0; i < std::size(files); ++i) {
    for (size_t j = i + 1; j < std::size(files); ++j) {
      const std::string &a = *files[i].second, &b = *files[j].second;
      if (a.empty() || b.empty() || !SameFile(a, b)) continue;
      Refuse(std::string(files[i].first) + " and " + files[j].first + " name the same file " +
             QuotedExcerpt(a));
    }
  }
  if (!o.live) return;
  // A live run's standard input and output carry its frames.
  for (const auto& [option, path] : files) {
    int channel = path == &o.scriptPath ? STDIN_FILENO : STDOUT_FILENO;
    if (path->empty() || !IsOpenAs(*path, channel)) continue;
    Refuse(std::string(option) + " names the live channel's standard " +
           (channel == STDIN_FILENO ? "input" : "output"));
  }
}

// Every output is made before the run starts, so that a path that cannot be written is
// refused at once rather than after the whole run.
void OpenOutputs(SimRun& r) {
  const SimOptions& o = r.options;
  if (!o.tracePath.empty()) {
    if (!r.host->trace().OpenFile(o.tracePath)) {
      Refuse("cannot write the trace " + QuotedExcerpt(o.tracePath) + ": " + std::strerror(errno));
    }
    r.created.push_back(o.tracePath);
  }
  r.host->trace().KeepInMemory(false);
  if (!o.wavPath.empty()) {
    if (!r.wav.Open(o.wavPath, o.rate)) {
      Refuse("cannot write the WAV file " + QuotedExcerpt(o.wavPath) + ": " + r.wav.Error());
    }
    r.created.push_back(o.wavPath);
  }
  if (!o.mapPath.empty()) {
    r.mapFile = CreateOrRefuse(o.mapPath, "the map");
    r.created.push_back(o.mapPath);
  }
  if (!o.recordPath.empty()) {
    r.recordFile = CreateOrRefuse(o.recordPath, "the recorded script");
    r.created.push_back(o.recordPath);
  }
  // Without a WAV file or a live client the mix is still rendered, and dropped as it comes.
  r.host->audio().KeepInMemory(r.wav.IsOpen() || o.live);
  if (o.limitMs != 0) {
    // Both bounded by the options (10^12 ms, 192000 frames a second): no overflow.
    r.frameLimit = static_cast<int64_t>(o.limitMs * static_cast<uint64_t>(o.rate) / 1000);
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
  r.live->KeepReceived(r.recordFile != nullptr);
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
  o.settingsPath = AbsolutePath(o.settingsPath);
  return o;
}

}  // namespace

int RunWorldCommand(const SimOptions& options) {
  if (!options.assetsPath.empty()) {
    AssetFolder assets = EnterAssetFolder(options.assetsPath);
    if (!assets.error.empty()) Refuse(assets.error);
    LeaveAssetFolder(assets);
  }
  std::FILE* mapFile = nullptr;
  if (!options.mapPath.empty()) mapFile = CreateOrRefuse(options.mapPath, "the map");
  // Without --seed the line still names a seed that rebuilds the same world.
  int32_t seed = options.seed ? *options.seed : static_cast<int32_t>(std::random_device{}());
  // The sound engine is not started: the world's sound loads fail at once.
  std::string line = BuildWorldLine(seed);
  std::printf("%s\n", line.c_str());
  int status = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "quelmire-sim: cannot write the world's line: %s\n", std::strerror(errno));
    status = kExitOutputLost;
  }
  if (mapFile == nullptr) return status;
  MapRecord map;
  map.seed = seed;
  map.TakeWorld();
  if (!FinishOutput(mapFile, MapSvg(map), "the map", options.mapPath)) return kExitOutputLost;
  return status;
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
  RefuseSharedFiles(o);
  std::error_code missing;
  if (!o.settingsPath.empty() && !std::filesystem::exists(o.settingsPath, missing)) {
    Refuse("--settings: no such file " + QuotedExcerpt(o.settingsPath));
  }
  LoadScript(*run->host, o);
  OpenOutputs(*run);
  run->recorder = new Recorder(*run->host, o.seed, o.traceTicks);
  run->host->AddTimeListener(FollowTime);
  InstallGameEvents(run->recorder);
  InstallProcessExit(ExitFromGame);

  if (o.live) StartLive(*run);
  if (BinauralAsked(o.binaural)) AskHeadphonesForThisRun();
  // Never the player's own file: a run rests on its seed, its script and this alone.
  UseSettingsFile(o.settingsPath, SettingsWrite::kReadOnly);
  ReadHeadphonesAtOnce();

  run->mainThread = std::this_thread::get_id();
  run->host->Install();
  if (o.seed) RandomSeed(*o.seed);
  ProgramEntry();
}
