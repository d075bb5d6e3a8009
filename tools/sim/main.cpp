// quelmire-sim: the whole game on the headless host, from a seed and an input script,
// with a trace, the mix as WAV, a world dump and a map. See tools/sim/options.h and the
// manual, tools/sim/README.md.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sim/options.h"
#include "tools/sim/ring_line.h"
#include "tools/sim/rules_line.h"
#include "tools/sim/sim_run.h"

namespace {

// Writes `text` to standard output: 0, or kExitOutputLost with a line saying `what` was lost.
int PrintOrTell(const std::string& text, const char* what) {
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "quelmire-sim: cannot write %s\n", what);
  return kExitOutputLost;
}

}  // namespace

int main(int argc, char** argv) {
  ParsedOptions parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "quelmire-sim: %s\n", parsed.error.c_str());
    return kExitUsage;
  }
  if (parsed.options.help) return PrintOrTell(SimUsage(), "the usage text");
  if (parsed.options.rulesOnly) return PrintOrTell(RulesLine() + "\n", "the rules' line");
  if (parsed.options.ringOnly) {
    std::string why;
    const std::string line = RingLine(parsed.options.rate, why);
    if (line.empty()) {
      std::fprintf(stderr, "quelmire-sim: no headphones' ring: %s\n", why.c_str());
      return kExitUsage;
    }
    return PrintOrTell(line + "\n", "the ring's line");
  }
  if (parsed.options.worldOnly) return RunWorldCommand(parsed.options);
  RunGameCommand(parsed.options);
}
