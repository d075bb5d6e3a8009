#include "host/audio/offline_audio_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// Counts frames and writes each frame's running number, so order and count can be seen.
class CountingSource final : public AudioSource {
 public:
  void Render(float* out, int32_t frames, int32_t rate) override {
    lastRate = rate;
    ++pulls;
    for (int32_t i = 0; i < frames; ++i) {
      out[2 * i] = static_cast<float>(next);
      out[2 * i + 1] = -static_cast<float>(next);
      ++next;
    }
  }
  int64_t next = 0;
  int32_t lastRate = 0;
  int32_t pulls = 0;
};

TEST(OfflineAudioOutput, AdvanceRendersExactlyTheFramesOfTheVirtualTimePassed) {
  OfflineAudioOutput output(44100);  // 44.1 frames a millisecond: the steps do not divide
  CountingSource source;
  ASSERT_TRUE(output.Open(source));
  for (int step = 0; step < 1000; ++step) output.Advance(step % 3 == 0 ? 17 : 16);
  // 334 x 17 + 666 x 16 = 16334 ms -> 720329.4 frames, rounded down once, not per step.
  EXPECT_EQ(output.framesRendered(), 720329);
  EXPECT_EQ(source.lastRate, 44100);
  const std::vector<float>& kept = output.Samples();
  ASSERT_EQ(kept.size(), 2u * 720329);
  EXPECT_EQ(kept[2 * 12345], 12345.0f);
  EXPECT_EQ(kept[2 * 12345 + 1], -12345.0f);
}

TEST(OfflineAudioOutput, ClosedDeviceLetsTimePassWithoutRendering) {
  OfflineAudioOutput output;
  CountingSource source;
  output.Advance(10);  // not open yet
  EXPECT_EQ(output.framesRendered(), 0);
  output.Open(source);
  output.Advance(10);
  EXPECT_EQ(output.framesRendered(), 480);
  output.Close();
  output.Advance(1000);
  output.RenderFrames(100);
  EXPECT_EQ(source.next, 480);
  output.KeepInMemory(false);
  output.Open(source);
  output.RenderFrames(100);
  EXPECT_EQ(output.Samples().size(), 960u);  // no longer kept
  EXPECT_EQ(output.framesRendered(), 580);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

TEST(OfflineAudioOutput, WavFilesFromMemoryAndFromTheStreamAreTheSame) {
  const auto folder = std::filesystem::temp_directory_path();
  const std::string kept = (folder / "quelmire-offline-kept.wav").string();
  const std::string streamed = (folder / "quelmire-offline-streamed.wav").string();
  {
    OfflineAudioOutput output;
    CountingSource source;
    output.Open(source);
    ASSERT_TRUE(output.StreamToWav(streamed));
    output.Advance(25);
    output.Advance(25);
    ASSERT_TRUE(output.WriteWav(kept));
  }  // the destructor finishes the streamed file
  const std::vector<uint8_t> a = ReadFile(kept);
  const std::vector<uint8_t> b = ReadFile(streamed);
  ASSERT_EQ(a.size(), 58u + 2400 * 8);
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::memcmp(a.data(), "RIFF", 4), 0);
  EXPECT_EQ(U32At(a, 4), a.size() - 8);
  EXPECT_EQ(a[20], 3);              // IEEE float
  EXPECT_EQ(U32At(a, 24), 48000u);  // rate
  EXPECT_EQ(U32At(a, 54), 2400u * 8);
  float frame100 = 0.0f;
  std::memcpy(&frame100, a.data() + 58 + 100 * 8, 4);
  EXPECT_EQ(frame100, 100.0f);
  std::filesystem::remove(kept);
  std::filesystem::remove(streamed);
  OfflineAudioOutput output;
  EXPECT_FALSE(output.WriteWav("/nonexistent-folder/x.wav"));
  EXPECT_FALSE(output.StreamToWav("/nonexistent-folder/x.wav"));
}

}  // namespace
