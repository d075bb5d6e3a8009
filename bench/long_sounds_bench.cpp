// Loading the game's long sounds, shipped as Ogg Vorbis: what the title waits for (the
// title and the intro are loaded before the title music starts) and what the start of
// play waits for (the bed and the four atmosphere layers). Each is measured beside the
// same samples as a 16-bit WAV file, the form they had before, written here from the
// decoded sound.
//
// Measured (RelWithDebInfo, 2-core machine at a load average of 7, median of 3; CPU time
// of the loading thread, which is the wall time of an idle machine):
//   before the title (title + intro, 89 s of audio): Ogg 206 ms, as WAV 17 ms
//   before play (bed + four layers, 126 s of audio):  Ogg 221 ms, as WAV 24 ms
//   the outro (32 s):                                 Ogg 64 ms
// The intro is loaded with the title, before the title music starts, so Space never waits
// for it; the start of play waits about a fifth of a second more than with WAV files.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"

namespace {

namespace fs = std::filesystem;

void Put(std::ofstream& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
}

void WriteWav16(const std::string& path, const DecodedSound& sound) {
  const auto channels = static_cast<uint32_t>(sound.channels);
  const auto rate = static_cast<uint32_t>(sound.rate);
  const auto bytes = static_cast<uint32_t>(sound.samples.size() * 2);
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4);
  Put(out, 36 + bytes, 4);
  out.write("WAVEfmt ", 8);
  Put(out, 16, 4);
  Put(out, 1, 2);  // integer PCM
  Put(out, channels, 2);
  Put(out, rate, 4);
  Put(out, rate * channels * 2, 4);
  Put(out, channels * 2, 2);
  Put(out, 16, 2);
  out.write("data", 4);
  Put(out, bytes, 4);
  for (float s : sound.samples) {
    Put(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(s * 32767.0f))), 2);
  }
}

// The WAV twins of the game's long files, in a private folder made on first use.
class WavTwins {
 public:
  static WavTwins& Get() {
    static WavTwins twins;
    return twins;
  }
  // The WAV form of the run folder's `name`; empty when it could not be made.
  std::string Of(const std::string& name) {
    auto found = paths_.find(name);
    if (found != paths_.end()) return found->second;
    SoundFileResult load = LoadSoundFile(std::string(QUELMIRE_RUN_DIR) + "/assets/" + name);
    if (folder_.empty() || !load.loaded) return "";
    std::string path = folder_ + "/" + std::to_string(paths_.size()) + ".wav";
    WriteWav16(path, load.sound);
    return paths_[name] = path;
  }

 private:
  WavTwins() {
    SoundUseOggDecoder();
    std::string pattern = (fs::temp_directory_path() / "quelmire-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) folder_ = pattern;
  }
  ~WavTwins() {
    std::error_code ignored;
    if (!folder_.empty()) fs::remove_all(folder_, ignored);
  }
  std::string folder_;
  std::map<std::string, std::string> paths_;
};

// Loads every file of `names` once per iteration, as the game does in a row.
void LoadInARow(benchmark::State& state, const std::vector<std::string>& names, bool asWav) {
  SoundUseOggDecoder();
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    std::string path =
        asWav ? WavTwins::Get().Of(name) : std::string(QUELMIRE_RUN_DIR) + "/assets/" + name;
    if (path.empty()) {
      state.SkipWithError(("cannot read " + name + " (build quelmire_assets)").c_str());
      return;
    }
    paths.push_back(path);
  }
  double seconds = 0;
  for (auto _ : state) {
    seconds = 0;
    for (const std::string& path : paths) {
      SoundFileResult result = LoadSoundFile(path);
      if (!result.loaded) {
        state.SkipWithError(result.refusal.c_str());
        return;
      }
      seconds += static_cast<double>(result.sound.frames) / result.sound.rate;
      benchmark::DoNotOptimize(result.sound.samples.data());
    }
  }
  state.counters["audio_s"] = seconds;
}

const std::vector<std::string> kBeforeTitle = {"title.wav", "intro.wav"};
const std::vector<std::string> kBeforePlay = {"ambience/amb.wav", "atmosphere/n1.wav",
                                              "atmosphere/n3.wav", "atmosphere/n5.wav",
                                              "atmosphere/n7.wav"};

void BM_LongSoundsBeforeTitleOgg(benchmark::State& state) {
  LoadInARow(state, kBeforeTitle, false);
}
void BM_LongSoundsBeforeTitleAsWav(benchmark::State& state) {
  LoadInARow(state, kBeforeTitle, true);
}
void BM_LongSoundsBeforePlayOgg(benchmark::State& state) {
  LoadInARow(state, kBeforePlay, false);
}
void BM_LongSoundsBeforePlayAsWav(benchmark::State& state) {
  LoadInARow(state, kBeforePlay, true);
}
void BM_OutroOgg(benchmark::State& state) {
  LoadInARow(state, {"outro.wav"}, false);
}
BENCHMARK(BM_LongSoundsBeforeTitleOgg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongSoundsBeforeTitleAsWav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongSoundsBeforePlayOgg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongSoundsBeforePlayAsWav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutroOgg)->Unit(benchmark::kMillisecond);

}  // namespace
