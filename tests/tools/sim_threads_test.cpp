// quelmire-sim built with ThreadSanitizer: both game threads, the observer and the
// scheduler through a whole run to the stalker's kill. No asset tree is made in this
// build, so the run plays from an empty asset folder: every load fails and the game goes
// on without sound, as it does when a file is missing.
#include <gtest/gtest.h>

#include <filesystem>

#include "sim_child.h"

namespace {

TEST(SimThreads, AWholeRunWithTheStalkerIsFreeOfRaces) {
  std::string assets = ScratchPath("empty-assets");
  std::filesystem::create_directories(assets);
  std::string trace = ScratchPath("threads.jsonl");
  SimResult result = RunSim(
      {"--seed", "7", "--quick-start", "--ms", "900000", "--assets", assets, "--trace", trace});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  std::vector<Json> lines = ReadTrace(trace);
  ASSERT_FALSE(lines.empty());
  EXPECT_FALSE(EventsNamed(lines, "stalker_appear").empty());
  EXPECT_EQ(lines.back()["event"].Str(), "exit");
}

}  // namespace
