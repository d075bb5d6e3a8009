#include "tests/game/game_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "audio/audio_output.h"
#include "game/game.h"
#include "game/game_exit.h"
#include "host/headless/recorded_window.h"
#include "runtime/runtime.h"

namespace {

struct ProgramExited {
  int32_t code;
};

[[noreturn]] void ThrowExit(int32_t code) {
  throw ProgramExited{code};
}

class Recorder final : public GameEvents {
 public:
  Recorder(HeadlessHost& host, const GameRunSetUp& setUp, GameRun& run)
      : host_(host), setUp_(setUp), run_(run) {}

  void CueStarted(const CueReport& report) override {
    run_.cues.push_back({host_.NowMs(), report});
    run_.log.push_back("cue " + report.name);
  }
  void PlayStarted() override {
    run_.playStartMs = host_.NowMs();
    if (setUp_.atPlayStart) setUp_.atPlayStart(host_);
  }
  void TickEnded(int64_t tick) override {
    run_.tickMs.push_back(host_.NowMs());
    run_.log.push_back("tick " + std::to_string(tick));
    if (setUp_.atTickEnd) setUp_.atTickEnd(host_, tick);
  }
  void LayerStarted(int32_t layer) override {
    run_.layers.push_back(layer);
    run_.log.push_back("layer " + std::to_string(layer));
  }
  void OutroStarted() override {
    run_.outroMs = host_.NowMs();
    run_.log.push_back("outro");
  }
  void Ending(EndCause cause, int32_t) override { run_.cause = cause; }

 private:
  HeadlessHost& host_;
  const GameRunSetUp& setUp_;
  GameRun& run_;
};

}  // namespace

void EnterRunFolder() {
  static bool entered = false;
  if (!entered) entered = chdir(QUELMIRE_RUN_DIR) == 0;
  ASSERT_TRUE(entered) << QUELMIRE_RUN_DIR;
}

GameRun RunGameProgram(const GameRunSetUp& setUp) {
  GameRun run;
  HeadlessHost host(setUp.options);
  std::vector<ScriptError> errors = host.LoadInputScript(setUp.script);
  if (!errors.empty()) {
    // Without its script the run would never end.
    ADD_FAILURE() << "script line " << errors[0].line << ": " << errors[0].message;
    return run;
  }
  Recorder recorder(host, setUp, run);
  if (setUp.atTimeStep) host.AddTimeListener(setUp.atTimeStep);
  host.Install();
  if (!setUp.soundDevice) InstallAudioOutput(nullptr);
  InstallGameEvents(&recorder);
  InstallProcessExit(ThrowExit);
  RandomSeed(setUp.seed);
  try {
    ProgramEntry();
  } catch (const ProgramExited& exited) {
    run.exited = true;
    run.exitCode = exited.code;
  }
  run.endMs = host.NowMs();
  run.boxes = host.windows().Boxes();
  run.trace = host.trace().Lines();
  InstallProcessExit(nullptr);
  InstallGameEvents(nullptr);
  host.Uninstall();
  return run;
}
