// quelmire-sim's live mode as a child process: the answers to a command stream, their
// sameness run after run, the live run replayed from its recorded script, and bad
// streams met with one-line errors and a clean end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "sim_child.h"
#include "tools/sim/live_channel.h"
#include "tools/sim/live_protocol.h"

using namespace std::string_literals;

namespace {

struct Answer {
  char kind = 0;
  std::string payload;
  uint32_t U32(size_t at) const {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
      value = value << 8 | static_cast<unsigned char>(payload.at(at + static_cast<size_t>(i)));
    }
    return value;
  }
  std::string Rest(size_t at) const { return payload.substr(at); }
};

// The answer frames of a whole stream; a frame cut short fails the test.
std::vector<Answer> Answers(const std::string& bytes) {
  std::vector<Answer> answers;
  size_t at = 0;
  while (at < bytes.size()) {
    EXPECT_GE(bytes.size() - at, kLiveHeaderBytes) << "a header cut short at " << at;
    if (bytes.size() - at < kLiveHeaderBytes) break;
    EXPECT_EQ(bytes.compare(at, 2, "QL"), 0) << "no magic at " << at;
    Answer answer;
    answer.kind = bytes[at + 2];
    answer.payload = bytes.substr(at + 4, 4);
    uint32_t size = answer.U32(0);
    EXPECT_LE(at + kLiveHeaderBytes + size, bytes.size()) << "a payload cut short";
    answer.payload = bytes.substr(at + kLiveHeaderBytes, size);
    answers.push_back(answer);
    at += kLiveHeaderBytes + size;
  }
  return answers;
}

// The frame a run's answers end with, which must be the end frame: its time (0), its
// status (4) and its cause (8 on). A blank one, after a failure, when there is none.
Answer EndFrame(const SimResult& run) {
  std::vector<Answer> answers = Answers(run.out);
  if (answers.empty() || answers.back().kind != kLiveEnd) {
    ADD_FAILURE() << "the answers do not end with an end frame";
    return Answer{kLiveEnd, std::string(8, '\0')};
  }
  return answers.back();
}

std::string Frame(uint8_t kind, const std::vector<uint8_t>& payload = {}) {
  std::vector<uint8_t> frame = LiveFrame(kind, payload);
  return std::string(frame.begin(), frame.end());
}

std::string Step(uint32_t ms) {
  std::vector<uint8_t> payload;
  PutU32(payload, ms);
  return Frame(kLiveStep, payload);
}

std::string Key(uint8_t code, bool down) {
  return Frame(kLiveKey, {code, static_cast<uint8_t>(down ? 1 : 0)});
}

std::string Move(int32_t dx, int32_t dy) {
  std::vector<uint8_t> payload;
  PutI32(payload, dx);
  PutI32(payload, dy);
  return Frame(kLiveMouseMove, payload);
}

constexpr uint8_t kW = 17, kRight = 205, kC = 46, kShift = 42;

// Walks, turns by key and by mouse, runs, asks for the coordinates, and stops at 4000 ms.
std::string Walk() {
  return Step(200) + Key(kW, true) + Step(1000) + Key(kRight, true) + Key(kShift, true) +
         Step(333) + Key(kRight, false) + Move(-40, 3) + Step(467) + Key(kC, true) + Step(34) +
         Key(kC, false) + Step(966) + Key(kW, false) + Key(kShift, false) + Step(1000) +
         Frame(kLiveStop);
}

SimResult RunLive(const std::string& name, const std::string& stream,
                  std::vector<std::string> args) {
  std::string input = ScratchPath(name + ".in");
  WriteText(input, stream);
  args.insert(args.begin(), "--live");
  return RunSim(args, "", input);
}

std::string AudioOf(const std::vector<Answer>& answers) {
  std::string audio;
  for (const Answer& a : answers) {
    if (a.kind == kLiveAudio) audio += a.Rest(4);
  }
  return audio;
}

TEST(SimLive, AnswersEachSpanWithExactlyItsMixAndReplaysFromItsRecordedScript) {
  std::string record = ScratchPath("walk.record"), liveWav = ScratchPath("walk-live.wav");
  SimResult live = RunLive("walk", Walk(),
                           {"--seed", "2", "--quick-start", "--record", record, "--wav", liveWav});
  ASSERT_EQ(live.status, 0) << live.err;
  std::vector<Answer> answers = Answers(live.out);
  ASSERT_GE(answers.size(), 3u);

  ASSERT_EQ(answers.front().kind, kLiveHello);
  EXPECT_EQ(answers.front().U32(0), kLiveVersion);
  EXPECT_EQ(answers.front().U32(4), 48000u);
  EXPECT_EQ(answers.front().U32(8), 2u);

  // One audio frame per step, each exactly its span at 48 frames a ms, and an empty one
  // for the stop; the spoken coordinates in the span where C came up; the end at the stop.
  const std::vector<uint32_t> targets = {200, 1200, 1533, 2000, 2034, 3000, 4000, 4000};
  std::vector<uint32_t> ends;
  uint32_t previous = 0;
  std::vector<std::string> texts;
  for (const Answer& a : answers) {
    if (a.kind == kLiveText) texts.push_back(a.Rest(4));
    if (a.kind != kLiveAudio) continue;
    ends.push_back(a.U32(0));
    EXPECT_EQ(a.payload.size() - 4, (a.U32(0) - previous) * 48u * 4u) << "span to " << a.U32(0);
    previous = a.U32(0);
  }
  EXPECT_EQ(ends, targets);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(", "), std::string::npos) << texts[0];
  const Answer& end = answers.back();
  ASSERT_EQ(end.kind, kLiveEnd);
  EXPECT_EQ(end.U32(0), 4000u);
  EXPECT_EQ(end.U32(4), 0u);
  EXPECT_EQ(end.Rest(8), "stop");

  // The same stream gives the same bytes.
  SimResult again = RunLive("walk-again", Walk(), {"--seed", "2", "--quick-start"});
  EXPECT_EQ(again.out, live.out);

  // The recorded script through --script gives the same mix; so does the live WAV.
  std::string replayWav = ScratchPath("walk-replay.wav");
  SimResult replay = RunSim(
      {"--seed", "2", "--quick-start", "--script", record, "--ms", "4000", "--wav", replayWav});
  ASSERT_EQ(replay.status, 0) << replay.err;
  std::string replayed = ReadText(replayWav);
  ASSERT_GT(replayed.size(), 44u);
  EXPECT_TRUE(replayed.substr(44) == AudioOf(answers)) << "the replay's mix differs";
  EXPECT_TRUE(ReadText(liveWav) == replayed);

  // A different input is heard: the walk is not just the bed.
  SimResult still =
      RunLive("still", Step(4000) + Frame(kLiveStop), {"--seed", "2", "--quick-start"});
  EXPECT_NE(AudioOf(Answers(still.out)), AudioOf(answers));
}

TEST(SimLive, AGameThatEndsInsideASpanAnswersItsLastAudioThenTheEnd) {
  // Seed 7, standing still, is caught within the first minutes.
  std::string stream;
  for (int i = 0; i < 6; ++i) stream += Step(60000);
  SimResult run = RunLive("death", stream, {"--seed", "7", "--quick-start"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<Answer> answers = Answers(run.out);
  ASSERT_GE(answers.size(), 3u);
  const Answer& end = answers.back();
  ASSERT_EQ(end.kind, kLiveEnd);
  EXPECT_EQ(end.Rest(8), "death");
  const Answer& last = answers[answers.size() - 2];
  ASSERT_EQ(last.kind, kLiveAudio);
  EXPECT_EQ(last.U32(0), end.U32(0));
  EXPECT_LT(end.U32(0) % 60000, 60000u);
}

struct BadStream {
  const char* name;
  std::string stream;
  int status;
  std::string cause;
  std::string error;  // in the error frame and on standard error
  uint32_t endMs;
};

TEST(SimLive, BadCommandsGetOneLineErrorsAndTheRunGoesOnOrEndsCleanly) {
  const std::vector<BadStream> cases = {
      {"unknown", Step(100) + Frame('z') + Step(100) + Frame(kLiveStop), 0, "stop",
       "unknown command 'z'", 200},
      {"zero-step", Step(100) + Step(0) + Step(50) + Frame(kLiveStop), 0, "stop",
       "step wants 1 .. 60000 ms, not 0", 150},
      {"short-key", Step(100) + Frame(kLiveKey, {17}) + Step(50) + Frame(kLiveStop), 0, "stop",
       "command 'k' wants a payload of 2 bytes, not 1", 150},
      {"button", Step(100) + Frame(kLiveMouseButton, {4, 1}) + Step(50) + Frame(kLiveStop), 0,
       "stop", "mouse button must be 1, 2 or 3", 150},
      {"magic", Step(100) + "XL" + Step(100).substr(2), 2, "broken",
       "a frame must begin with 'QL', a kind and a 0 byte", 100},
      {"huge", Step(100) + "QLs\0\xff\xff\xff\xff"s, 2, "broken",
       "a command's payload is at most 1024 bytes, not 4294967295", 100},
      {"cut", Step(100) + Step(100).substr(0, 10), 0, "stop", "the stream ended inside a frame",
       100},
      {"eof", Step(100), 0, "stop", "", 100},
  };
  for (const BadStream& c : cases) {
    SCOPED_TRACE(c.name);
    SimResult run = RunLive(c.name, c.stream, {"--seed", "3", "--quick-start"});
    EXPECT_EQ(run.status, c.status) << run.err;
    std::vector<Answer> answers = Answers(run.out);
    ASSERT_FALSE(answers.empty());
    const Answer& end = answers.back();
    ASSERT_EQ(end.kind, kLiveEnd);
    EXPECT_EQ(end.U32(0), c.endMs);
    EXPECT_EQ(end.Rest(8), c.cause);
    std::vector<std::string> errors;
    for (const Answer& a : answers) {
      if (a.kind == kLiveError) errors.push_back(a.payload);
    }
    if (c.error.empty()) {
      EXPECT_TRUE(errors.empty());
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(errors, std::vector<std::string>{c.error});
      EXPECT_EQ(run.err, "quelmire-sim: live: " + c.error + "\n");
    }
  }
}

TEST(SimLive, InputPastThePendingLimitBreaksTheStreamWithOneLine) {
  // A million key presses and no step: the input that waits is bounded.
  std::string stream = Step(100);
  const std::string press = Key(kW, true);
  stream.reserve(stream.size() + press.size() * (kMaxPendingInput + 10));
  for (size_t i = 0; i < kMaxPendingInput + 10; ++i) stream += press;
  stream += Step(100) + Frame(kLiveStop);
  SimResult run = RunLive("pending", stream, {"--seed", "3", "--quick-start"});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(run.err, "quelmire-sim: live: at most 1000000 input events may wait for a step\n");
  const Answer end = EndFrame(run);
  EXPECT_EQ(end.U32(0), 100u);
  EXPECT_EQ(end.Rest(8), "broken");
}

TEST(SimLive, ARecordThatCannotBeWrittenEndsWithStatus1InTheEndFrameToo) {
  SimResult run = RunLive("record-full", Step(300) + Frame(kLiveStop),
                          {"--seed", "3", "--quick-start", "--record", "/dev/full"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "quelmire-sim: the recorded script '/dev/full' could not be written whole (No space "
            "left on device)\n");
  const Answer end = EndFrame(run);
  EXPECT_EQ(end.U32(4), 1u);
  EXPECT_EQ(end.Rest(8), "stop");
}

TEST(SimLive, AClientThatClosesItsReadingEndEndsTheRunAtTheNextTarget) {
  // The client keeps its writing end open and asks for a minute in steps, but reads
  // nothing: the run must end by itself, with status 1 and a line saying why.
  std::signal(SIGPIPE, SIG_IGN);
  int commands[2], answers[2];
  ASSERT_EQ(pipe2(commands, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(answers, O_CLOEXEC), 0);
  std::string errPath = ScratchPath("lost.err");
  int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(err, 0);
  pid_t sim = StartSim({"--live", "--seed", "3", "--quick-start"}, commands[0], answers[1], err);
  close(commands[0]);
  close(answers[1]);
  close(err);
  char hello[kLiveHeaderBytes + 12];
  ASSERT_EQ(read(answers[0], hello, sizeof hello), static_cast<ssize_t>(sizeof hello));
  close(answers[0]);  // the client stops reading after the hello
  std::string stream;
  for (int i = 0; i < 60; ++i) stream += Step(1000);
  ASSERT_EQ(write(commands[1], stream.data(), stream.size()), static_cast<ssize_t>(stream.size()));
  int status = WaitSim(sim, 60);
  close(commands[1]);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ReadText(errPath), "quelmire-sim: live: the client stopped reading at 1000 ms\n");
}

}  // namespace
