// quelmire-soundinfo run as a child process: its lines and its exit status. Every run is
// bounded (status 124 when the tool had to be stopped).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "sound_files.h"
#include "special_files.h"
#include "wav_builder.h"

namespace {

struct ToolRun {
  std::string output;
  int status = -1;
};

ToolRun RunSoundInfo(const std::string& arguments) {
  ToolRun run;
  FILE* pipe = popen(
      ("timeout 20 " + std::string(SOUNDINFO_PATH) + " " + arguments + " 2>/dev/null").c_str(),
      "r");
  if (!pipe) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(SoundInfo, OneLinePerFileAndStatusZeroWhenAllLoad) {
  TempFolder folder;
  ASSERT_TRUE(MakeTone(folder / "Tone.wav", "-b 24 -e signed", 2, 48000, 0.25));
  ASSERT_TRUE(MakeTone(folder / "voice.source.wav", "-b 16 -e signed", 1, 22050, 0.5));
  ASSERT_TRUE(MakeOgg(folder / "voice.source.wav", folder / "voice.ogg"));
  int64_t oggFrames = DecodeWithOvRead(folder / "voice.ogg").frames;

  std::string tone = folder / "tone.WAV";  // found ignoring case
  std::string voice = folder / "voice.ogg";
  ToolRun run = RunSoundInfo("'" + tone + "' '" + voice + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, tone + ": channels=2 rate=48000 bits=24 frames=12000\n" + voice +
                            ": channels=1 rate=22050 bits=16 frames=" + std::to_string(oggFrames) +
                            "\n");
}

TEST(SoundInfo, RefusedFilesSayWhyAndMakeTheStatusOne) {
  TempFolder folder;
  ASSERT_TRUE(MakeTone(folder / "ok.wav", "-b 8 -e unsigned", 1, 8000, 0.1));
  WriteBytes(folder / "text.wav", {'h', 'e', 'l', 'l', 'o'});
  std::string ok = folder / "ok.wav", text = folder / "text.wav", absent = folder / "absent.wav";
  ToolRun run = RunSoundInfo("'" + ok + "' '" + text + "' '" + absent + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, ok + ": channels=1 rate=8000 bits=8 frames=800\n" + text +
                            ": refused (not a RIFF WAV file and no decoder recognises it)\n" +
                            absent + ": refused (no such file)\n");
  EXPECT_EQ(RunSoundInfo("").status, 1);
}

// Named pipes without a writer, devices, folders, and links to them: each refused at
// once with what it is, never waited on.
TEST(SoundInfo, WhatIsNotARegularFileIsRefusedAtOnce) {
  TempFolder folder;
  std::string pipe = folder / "pipe.wav", link = folder / "link.wav";
  ASSERT_TRUE(MakeFifo(pipe));
  fs::create_symlink(pipe, link);
  std::string arguments =
      "'" + pipe + "' '" + link + "' /dev/zero /dev/random '" + folder.path().string() + "'";
  ToolRun run = RunSoundInfo(arguments);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, pipe + ": refused (a named pipe, not a regular file)\n" + link +
                            ": refused (a named pipe, not a regular file)\n"
                            "/dev/zero: refused (a character device, not a regular file)\n"
                            "/dev/random: refused (a character device, not a regular file)\n" +
                            folder.path().string() + ": refused (a folder, not a regular file)\n");
}

// A name reaches the terminal escaped and bounded, whether the file loads or not; a rate
// field out of range is named as the file states it.
TEST(SoundInfo, NamesAreShownEscapedAndBoundedAndRatesAsStated) {
  TempFolder folder;
  const Bytes samples = {0, 0, 0, 0};
  std::string dir = folder.path().string();
  WriteBytes(folder / "\x1b]0;pwned\x07.wav", SimpleWav(FormatBlock({1, 1, 8000, 16}), samples));
  WriteBytes(folder / "rate.wav", SimpleWav(FormatBlock({1, 1, 0xFFFFFFFFu, 16}), samples));
  std::string longName = std::string(400, 'n') + ".wav";
  ToolRun run = RunSoundInfo("'" + dir + "/\x1b]0;pwned\x07.wav' '" + dir + "/rate.wav' '" + dir +
                             "/\xff\xfe.wav' '" + dir + "/" + longName + "'");
  EXPECT_EQ(run.status, 1);
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = run.output.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(run.output.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 4u) << run.output;
  EXPECT_EQ(lines[0], dir + "/\\x1b]0;pwned\\x07.wav: channels=1 rate=8000 bits=16 frames=2");
  EXPECT_EQ(lines[1],
            dir + "/rate.wav: refused (sample rate 4294967295 Hz outside 8000 .. 192000)");
  EXPECT_EQ(lines[2], dir + "/\\xff\\xfe.wav: refused (no such file)");
  EXPECT_LE(lines[3].size(), 240u + std::string(": refused (no such file)").size());
  EXPECT_TRUE(lines[3].ends_with("nnn.wav: refused (no such file)")) << lines[3];
  for (const std::string& line : lines) {
    for (char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << line;
  }
}

}  // namespace
