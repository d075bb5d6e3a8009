#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"

namespace {

// ---- sound file loading ------------------------------------------------------------

// A folder of test sounds made once per run: a 1-second mono 16-bit WAV at 44,100 Hz
// (a 440 Hz tone) and the same tone as Ogg Vorbis, encoded by oggenc.
class LoadingFiles {
 public:
  static const LoadingFiles& Get() {
    static LoadingFiles files;
    return files;
  }
  std::string wav, wavOtherCase, ogg;
  bool ready = false;

 private:
  LoadingFiles() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quelmire-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return;
    folder_ = pattern;
    std::filesystem::create_directories(folder_ + "/Assets");
    wav = folder_ + "/Assets/Tone.wav";
    wavOtherCase = folder_ + "/assets/tone.WAV";
    ogg = folder_ + "/Assets/tone.ogg";
    WriteToneWav(wav, 44100);
    std::string encode = "oggenc -Q -q 3 -o '" + ogg + "' '" + wav + "'";
    ready = std::system(encode.c_str()) == 0;
  }
  ~LoadingFiles() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }

  static void Put(std::ofstream& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>(value >> (8 * i)));
  }

  static void WriteToneWav(const std::string& path, uint32_t frames) {
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    Put(out, 36 + frames * 2, 4);
    out.write("WAVEfmt ", 8);
    Put(out, 16, 4);
    Put(out, 1, 2);          // integer PCM
    Put(out, 1, 2);          // mono
    Put(out, 44100, 4);      // frames per second
    Put(out, 44100 * 2, 4);  // bytes per second
    Put(out, 2, 2);          // block alignment
    Put(out, 16, 2);         // bits
    out.write("data", 4);
    Put(out, frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i) {
      Put(out, static_cast<uint16_t>(std::lround(12000 * std::sin(i * 2 * M_PI * 440 / 44100))), 2);
    }
  }

  std::string folder_;
};

void LoadFile(benchmark::State& state, const std::string& path) {
  const LoadingFiles& files = LoadingFiles::Get();
  if (!files.ready) {
    state.SkipWithError("could not make the test sounds (is oggenc installed?)");
    return;
  }
  SoundUseOggDecoder();
  int64_t frames = 0;
  for (auto _ : state) {
    SoundFileResult result = LoadSoundFile(path);
    if (!result.loaded) {
      state.SkipWithError(result.refusal.c_str());
      return;
    }
    frames = result.sound.frames;
    benchmark::DoNotOptimize(result.sound.samples.data());
  }
  state.counters["frames"] = static_cast<double>(frames);
}

// The cue player loads a WAV file for every cue it plays: target under 100 us.
void BM_LoadWav1sMono16(benchmark::State& state) {
  LoadFile(state, LoadingFiles::Get().wav);
}
BENCHMARK(BM_LoadWav1sMono16)->Unit(benchmark::kMicrosecond);

// The same sound already in memory: conversion alone, without the file system.
void BM_LoadWavImage1sMono16(benchmark::State& state) {
  std::ifstream in(LoadingFiles::Get().wav, std::ios::binary);
  std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  for (auto _ : state) {
    SoundFileResult result = LoadSoundImage(image);
    benchmark::DoNotOptimize(result.sound.samples.data());
  }
}
BENCHMARK(BM_LoadWavImage1sMono16)->Unit(benchmark::kMicrosecond);

// The same file named in the other letter case: the folder-by-folder lookup added.
void BM_LoadWav1sMono16OtherCase(benchmark::State& state) {
  LoadFile(state, LoadingFiles::Get().wavOtherCase);
}
BENCHMARK(BM_LoadWav1sMono16OtherCase)->Unit(benchmark::kMicrosecond);

void BM_LoadOgg1sMono(benchmark::State& state) {
  LoadFile(state, LoadingFiles::Get().ogg);
}
BENCHMARK(BM_LoadOgg1sMono)->Unit(benchmark::kMicrosecond);

// ---- end of sound file loading -------------------------------------------------------

}  // namespace
