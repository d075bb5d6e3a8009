// tests/audio/sound_files.h - real sound files for the loader tests, made at test
// time by sox and oggenc in a temporary folder that is removed afterwards, and the
// references to check our decoding against: sox's own float conversion and a plain
// ov_read loop.
#pragma once

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audio/sound_file.h"

namespace fs = std::filesystem;

// Runs a shell command; true when it exits with status 0.
inline bool RunShell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

inline std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    // Created, not only looked for, so that no other test process can have the name too.
    std::random_device entropy;
    for (int tries = 0; tries < 100 && path_.empty(); ++tries) {
      fs::path candidate =
          fs::temp_directory_path() / ("quelmire-audio-" + std::to_string(entropy()));
      std::error_code error;
      if (fs::create_directory(candidate, error)) path_ = candidate;
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// sox and oggenc are programs of the build machine. The Windows build's tests run under
// Wine, whose command line cannot start them, so tests that make their files with them
// are skipped there (the loader's own parsing is tested on files built in memory).
#ifdef _WIN32
#define SKIP_WITHOUT_SOUND_TOOLS() GTEST_SKIP() << "needs sox and oggenc: not run under Wine"
#else
#define SKIP_WITHOUT_SOUND_TOOLS() static_cast<void>(0)
#endif

// A sine tone by sox: `format` is sox's output options, e.g. "-b 16 -e signed".
inline bool MakeTone(const std::string& file, const std::string& format, int channels, int rate,
                     double seconds, const std::string& sound = "sine 440 sine 660") {
  return RunShell("sox -R -V1 -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                  " " + format + " -t wav '" + file + "' synth " + std::to_string(seconds) + " " +
                  sound + " gain -3");
}

// Encodes a WAV file to Ogg Vorbis with oggenc. Each file gets its own stream serial
// number, so that files put one after the other form a proper chained stream.
inline bool MakeOgg(const std::string& wav, const std::string& ogg) {
  static int serial = 1000;
  return RunShell("oggenc -Q -q 2 -s " + std::to_string(++serial) + " -o '" + ogg + "' '" + wav +
                  "'");
}

// The samples of `file` as sox converts them to 32-bit float.
inline std::vector<float> SoxFloats(const std::string& file, const std::string& rawFile) {
  if (!RunShell("sox -q '" + file + "' -t f32 -e floating-point '" + rawFile + "'")) return {};
  std::vector<uint8_t> bytes = ReadBytes(rawFile);
  std::vector<float> values(bytes.size() / 4);
  std::memcpy(values.data(), bytes.data(), values.size() * 4);
  return values;
}

// The reference decode: a plain ov_read loop over the file, 16-bit little-endian
// signed, every sample as a float of full scale 32768.
struct ReferenceOgg {
  bool opened = false;
  int channels = 0;
  long rate = 0;
  int64_t frames = 0;  // ov_pcm_total
  std::vector<float> samples;
};

inline ReferenceOgg DecodeWithOvRead(const std::string& file) {
  ReferenceOgg reference;
  OggVorbis_File vf;
  if (ov_fopen(file.c_str(), &vf) < 0) return reference;
  reference.opened = true;
  reference.channels = ov_info(&vf, -1)->channels;
  reference.rate = ov_info(&vf, -1)->rate;
  reference.frames = ov_pcm_total(&vf, -1);
  char buffer[4096];
  int section = 0;
  long got;
  int errorsInARow = 0;
  while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) != 0) {
    if (got < 0 && ++errorsInARow < 100) continue;
    if (got < 0) break;
    errorsInARow = 0;
    for (long i = 0; i + 1 < got; i += 2) {
      int16_t s;
      std::memcpy(&s, buffer + i, 2);
      reference.samples.push_back(s / 32768.0f);
    }
  }
  ov_clear(&vf);
  return reference;
}

// The loader's result is the reference decode, sample for sample, as 16-bit PCM.
inline void ExpectSameAsOvRead(const SoundFileResult& result, const ReferenceOgg& reference) {
  ASSERT_TRUE(reference.opened);
  ASSERT_TRUE(result.loaded) << result.refusal;
  EXPECT_EQ(result.sound.channels, reference.channels);
  EXPECT_EQ(result.sound.rate, reference.rate);
  EXPECT_EQ(result.sound.bitsPerSample, 16);
  EXPECT_FALSE(result.sound.floatSource);
  EXPECT_EQ(result.sound.frames, reference.frames);
  ASSERT_EQ(result.sound.samples.size(), reference.samples.size());
  size_t differences = 0;
  for (size_t i = 0; i < reference.samples.size(); ++i) {
    differences += result.sound.samples[i] != reference.samples[i];
  }
  EXPECT_EQ(differences, 0u);
}
