// What remembering a setting costs: the whole replacement of the settings file (written
// beside it, flushed to the disk, renamed over it) on the writer's thread, and what the
// game's thread pays to hand the text over (a lock and a swap; it never waits for the disk).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "game/settings_text.h"
#include "platform/config_file.h"
#include "platform/latest_text_writer.h"

namespace {

std::string ScratchSettingsPath() {
  const auto folder = std::filesystem::temp_directory_path() / "quelmire-settings-bench";
  std::filesystem::create_directories(folder);
  return (folder / "settings.ini").string();
}

void BM_SettingsReplaceFile(benchmark::State& state) {
  const std::string path = ScratchSettingsPath();
  int32_t db = 0;
  std::string why;
  for (auto _ : state) {
    db = db == kVolumeFloorDb ? 0 : db - kVolumeStepDb;
    if (!ReplaceConfigFile(path, SettingsText({db, 0}), why)) state.SkipWithError(why.c_str());
  }
}
BENCHMARK(BM_SettingsReplaceFile)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The game thread's share of a key press: the text made and posted to the writer.
void BM_SettingsPostFromTheGame(benchmark::State& state) {
  LatestTextWriter writer(ScratchSettingsPath(), "settings");
  int32_t db = 0;
  for (auto _ : state) {
    db = db == kVolumeFloorDb ? 0 : db - kVolumeStepDb;
    writer.Post(SettingsText({db, 0}));
  }
  writer.Finish(5000);
}
BENCHMARK(BM_SettingsPostFromTheGame)->Unit(benchmark::kMicrosecond);

}  // namespace
