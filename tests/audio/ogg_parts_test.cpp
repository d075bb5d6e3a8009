// The pieces under the Ogg decoder: the in-memory source the library reads through,
// and the loop that gathers ov_read's pieces, skipping errors but not forever.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "audio/memory_source.h"
#include "audio/pcm_piece_reader.h"

namespace {

using ::testing::ElementsAre;

TEST(MemorySource, ReadsWholeElementsAndStopsAtTheEnd) {
  const uint8_t image[7] = {1, 2, 3, 4, 5, 6, 7};
  MemorySource source{image, 0, 7};
  uint8_t out[8] = {};
  EXPECT_EQ(MemorySourceRead(out, 1, 3, &source), 3u);
  EXPECT_EQ(MemorySourceTell(&source), 3);
  EXPECT_EQ(MemorySourceRead(out, 2, 4, &source), 2u);  // 4 bytes left: two whole pairs
  EXPECT_THAT(std::vector<uint8_t>(out, out + 4), ElementsAre(4, 5, 6, 7));
  // libvorbisfile takes a read of 0 with errno set as a read error, so the end of the
  // data must not leave a stale errno (from a failed lookup, say) in place.
  errno = ENOENT;
  EXPECT_EQ(MemorySourceRead(out, 1, 8, &source), 0u);
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(MemorySourceRead(out, std::numeric_limits<size_t>::max(), 2, &source), 0u);
}

TEST(MemorySource, SeeksFromEachOriginAndRefusesPositionsBelowZero) {
  const uint8_t image[10] = {};
  MemorySource source{image, 0, 10};
  EXPECT_EQ(MemorySourceSeek(&source, 4, SEEK_SET), 0);
  EXPECT_EQ(MemorySourceSeek(&source, 3, SEEK_CUR), 0);
  EXPECT_EQ(MemorySourceTell(&source), 7);
  EXPECT_EQ(MemorySourceSeek(&source, -2, SEEK_END), 0);
  EXPECT_EQ(MemorySourceTell(&source), 8);

  EXPECT_EQ(MemorySourceSeek(&source, -1, SEEK_SET), -1);
  EXPECT_EQ(MemorySourceSeek(&source, -9, SEEK_CUR), -1);
  EXPECT_EQ(MemorySourceSeek(&source, -11, SEEK_END), -1);
  EXPECT_EQ(MemorySourceSeek(&source, std::numeric_limits<int64_t>::max(), SEEK_END), -1);
  EXPECT_EQ(MemorySourceSeek(&source, 0, 7), -1);
  EXPECT_EQ(MemorySourceTell(&source), 8);  // refused seeks leave the position alone

  // Past the end is allowed and reads as the end; close rewinds.
  EXPECT_EQ(MemorySourceSeek(&source, 1000, SEEK_SET), 0);
  uint8_t out[4];
  EXPECT_EQ(MemorySourceRead(out, 1, 4, &source), 0u);
  EXPECT_EQ(MemorySourceClose(&source), 0);
  EXPECT_EQ(MemorySourceTell(&source), 0);
}

// A scripted ov_read: each call takes the next result from the script.
struct ScriptedPieces {
  struct Step {
    long result;
    int channels;
    std::vector<int16_t> samples;
  };
  std::vector<Step> steps;
  size_t next = 0;
  long calls = 0;
  int largestCapacity = 0;
  long repeatForever = 0;  // once the script ends: this result, every call

  static PcmPiece Read(void* context, char* buffer, int capacity) {
    auto* script = static_cast<ScriptedPieces*>(context);
    ++script->calls;
    script->largestCapacity = std::max(script->largestCapacity, capacity);
    if (script->next == script->steps.size()) return {script->repeatForever, 1};
    const Step& step = script->steps[script->next++];
    if (!step.samples.empty()) std::memcpy(buffer, step.samples.data(), step.samples.size() * 2);
    return {step.result, step.channels};
  }
};

std::vector<int16_t> ReadAll(PcmPieceReader& reader, int64_t bytes) {
  std::vector<int16_t> out(static_cast<size_t>(bytes / 2), 0);
  int64_t got = reader.Read(reinterpret_cast<uint8_t*>(out.data()), bytes);
  out.resize(static_cast<size_t>(got / 2));
  return out;
}

TEST(PcmPieceReader, SkipsErrorsBetweenPiecesAndAsksForAtMost4096Bytes) {
  ScriptedPieces script;
  script.steps = {{4, 1, {1, 2}}, {-3, 1, {}}, {-3, 1, {}}, {6, 1, {3, 4, 5}}, {0, 1, {}}};
  PcmPieceReader reader(1, ScriptedPieces::Read, &script);
  EXPECT_THAT(ReadAll(reader, 1 << 20), ElementsAre(1, 2, 3, 4, 5));
  EXPECT_LE(script.largestCapacity, kMaxPieceBytes);
}

TEST(PcmPieceReader, EndlessErrorsEndTheStreamAfterABoundedNumber) {
  ScriptedPieces script;
  script.steps = {{4, 1, {7, 8}}};
  script.repeatForever = -3;  // OV_HOLE on every call
  PcmPieceReader reader(1, ScriptedPieces::Read, &script);
  EXPECT_THAT(ReadAll(reader, 1000), ElementsAre(7, 8));
  EXPECT_EQ(script.calls, 1 + kMaxConsecutiveErrors);
  EXPECT_TRUE(ReadAll(reader, 1000).empty());
  EXPECT_EQ(script.calls, 1 + kMaxConsecutiveErrors);  // ended for good
}

TEST(PcmPieceReader, ErrorsUnderTheBoundDoNotEndTheStream) {
  ScriptedPieces script;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < kMaxConsecutiveErrors - 1; ++i) script.steps.push_back({-3, 1, {}});
    script.steps.push_back({2, 1, {static_cast<int16_t>(round)}});
  }
  PcmPieceReader reader(1, ScriptedPieces::Read, &script);
  EXPECT_THAT(ReadAll(reader, 100), ElementsAre(0, 1, 2));
}

TEST(PcmPieceReader, PiecesWithAnotherChannelCountAreRemixed) {
  ScriptedPieces toStereo;
  toStereo.steps = {{4, 2, {1, 2}}, {4, 1, {5, 6}}};
  PcmPieceReader stereo(2, ScriptedPieces::Read, &toStereo);
  EXPECT_THAT(ReadAll(stereo, 12), ElementsAre(1, 2, 5, 5, 6, 6));

  ScriptedPieces toMono;
  toMono.steps = {{8, 2, {100, 300, -32768, -32768}}, {2, 1, {9}}};
  PcmPieceReader mono(1, ScriptedPieces::Read, &toMono);
  EXPECT_THAT(ReadAll(mono, 100), ElementsAre(200, -32768, 9));
}

TEST(PcmPieceReader, ReadsOfAnySizeContinueWhereTheLastStopped) {
  ScriptedPieces script;
  script.steps = {{8, 1, {1, 2, 3, 4}}, {4, 1, {5, 6}}};
  PcmPieceReader reader(1, ScriptedPieces::Read, &script);
  EXPECT_THAT(ReadAll(reader, 6), ElementsAre(1, 2, 3));
  EXPECT_THAT(ReadAll(reader, 2), ElementsAre(4));
  EXPECT_THAT(ReadAll(reader, 10), ElementsAre(5, 6));
}

}  // namespace
