// Runs quelmire-sim as a child process, as a whole run must: the game leaves the process
// when it ends. Paths come from the build (QUELMIRE_SIM, QUELMIRE_RUN_DIR and
// QUELMIRE_SCRATCH_DIR).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "json_lite.h"

struct SimResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the tool with `args` in `workDir` (the build's run folder, which holds assets/,
// unless told otherwise), its standard input read from `inputPath` when one is given.
// A run still going after `timeoutSeconds` is killed (status 128 + SIGKILL). `program`
// names a copy of the tool to run instead (where it looks for its sounds beside itself).
SimResult RunSim(const std::vector<std::string>& args, const std::string& workDir = "",
                 const std::string& inputPath = "", int timeoutSeconds = 900,
                 const std::string& program = "");

// Starts the tool (or `program`) with `args` in `workDir` (as above) on the given
// standard input, output and error; returns its process id.
pid_t StartSim(const std::vector<std::string>& args, int inFd, int outFd, int errFd,
               const std::string& workDir = "", const std::string& program = "");
// Waits for the child `pid`, at most `timeoutSeconds` before it is killed; returns its
// exit status, or 128 + the signal that ended it.
int WaitSim(pid_t pid, int timeoutSeconds);

// A path in this test binary's scratch folder (made on first use).
std::string ScratchPath(const std::string& name);

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

// Every line of a trace file, parsed; a line that is not JSON becomes a null value.
std::vector<Json> ReadTrace(const std::string& path);

// Ten virtual seconds of seed 3 standing at its start (page chimes, noises and the bed), with
// the input `script` (none when empty) and `extra` options; its outputs are named after
// `name` in the scratch folder.
struct Standing {
  SimResult result;
  std::string traceText;    // a line a tick too
  std::vector<Json> trace;  // the same, parsed
  std::string wav;          // 48 kHz, 16-bit stereo
};
Standing RunStanding(const std::string& name, const std::string& script,
                     const std::vector<std::string>& extra = {});

// The samples of a run's WAV from virtual ms `ms` on.
std::string WavFrom(const std::string& wav, int ms);

// The lines of `trace` whose "event" is `name`, in order.
std::vector<Json> EventsNamed(const std::vector<Json>& trace, const std::string& name);
