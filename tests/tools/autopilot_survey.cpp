// sim_autopilot_survey [FIRST [COUNT [RUN_FROM_PAGE [short-legs-last]]]]: runs the autopilot
// on COUNT seeds from FIRST (1 and 20 by default; running from the autopilot's usual page;
// the shortest round, or with the last word the round that leaves the short legs for the
// bolder stalker) and tells how each run ended and what share took all eight pages.
// Not a test: a measurement for the README, run by hand from the build folder.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "autopilot_run.h"
#include "sim_child.h"

int main(int argc, char** argv) {
  int first = argc > 1 ? std::atoi(argv[1]) : 1;
  int count = argc > 2 ? std::atoi(argv[2]) : 20;
  int runFrom = argc > 3 ? std::atoi(argv[3]) : kRunFromPage;
  bool shortLegsLast = argc > 4 && std::string(argv[4]) == "short-legs-last";
  if (argc > 4 && !shortLegsLast) {
    std::fprintf(stderr, "sim_autopilot_survey: unknown round '%s' (short-legs-last)\n", argv[4]);
    return 2;
  }
  std::map<std::string, int> ends;
  int outros = 0;
  for (int seed = first; seed < first + count; ++seed) {
    PilotOutcome o =
        RunAutopilot(seed, ScratchPath("survey-" + std::to_string(seed) + ".jsonl"), runFrom,
                     shortLegsLast ? kShortLegsLast : kShortestRound);
    std::string end = !o.error.empty() ? "error"
                      : !o.planned     ? "no path"
                                       : o.cause + " after " + std::to_string(o.pages) + " pages";
    if (o.planned && o.cause == "outro" && o.pages == 8) ++outros;
    ++ends[o.planned && o.error.empty() ? o.cause : end];
    std::printf("seed %d: %s%s%s (exit at %llu ms)\n", seed, end.c_str(),
                o.failure.empty() ? "" : ": ", (o.failure + o.error).c_str(),
                static_cast<unsigned long long>(o.exitMs));
    std::fflush(stdout);
  }
  std::printf("all eight pages and the outro: %d of %d seeds\n", outros, count);
  for (const auto& [end, n] : ends) std::printf("  %s: %d\n", end.c_str(), n);
  return 0;
}
