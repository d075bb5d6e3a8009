#include "autopilot_run.h"

#include "sim_child.h"

namespace {

// The virtual ms of the "play" event: ticks come 17 ms apart after it.
bool FindPlayStart(const std::vector<Json>& trace, uint64_t& ms) {
  for (const Json& line : trace) {
    if (line["event"].Str() == "play") {
      ms = static_cast<uint64_t>(line["ms"].Int());
      return true;
    }
  }
  return false;
}

}  // namespace

PilotOutcome RunAutopilot(int32_t seed, const std::string& tracePath, int runFromPage,
                          const LegWeights& legWeights) {
  PilotOutcome outcome;
  std::string seedText = std::to_string(seed);
  SimResult world = RunSim({"--world", "--seed", seedText});
  std::optional<Json> worldJson = ParseJson(world.out);
  if (world.status != 0 || !worldJson) {
    outcome.error = "--world failed: " + world.err;
    return outcome;
  }
  std::string probe = tracePath + ".probe";
  RunSim({"--seed", seedText, "--quick-start", "--ms", "5000", "--trace", probe});
  uint64_t playMs = 0;
  if (!FindPlayStart(ReadTrace(probe), playMs)) {
    outcome.error = "no play event in the first 5 s";
    return outcome;
  }
  PilotPlan plan = PlanPages(PilotWorldFromJson(*worldJson), playMs, runFromPage, legWeights);
  outcome.planned = plan.complete;
  outcome.failure = plan.failure;
  outcome.lastTakeMs = plan.lastTakeMs;
  if (!plan.complete) return outcome;

  std::string scriptPath = tracePath + ".script";
  WriteText(scriptPath, plan.script);
  // The outro lasts well under two minutes; the limit only guards against a hang.
  std::string limit = std::to_string(plan.lastTakeMs + 180000);
  SimResult run = RunSim({"--seed", seedText, "--quick-start", "--script", scriptPath, "--ms",
                          limit, "--trace", tracePath});
  outcome.status = run.status;
  if (!run.err.empty()) outcome.error = run.err;
  for (const Json& line : ReadTrace(tracePath)) {
    const std::string& event = line["event"].Str();
    if (event == "page_taken") outcome.pages = static_cast<int>(line["pages"].Int());
    if (event == "outro") outcome.outroHeard = true;
    if (event == "exit") {
      outcome.cause = line["cause"].Str();
      outcome.exitMs = static_cast<uint64_t>(line["ms"].Int());
    }
  }
  return outcome;
}
