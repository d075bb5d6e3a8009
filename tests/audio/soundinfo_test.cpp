// quelmire-soundinfo run as a child process: its lines and its exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "sound_files.h"

namespace {

struct ToolRun {
  std::string output;
  int status = -1;
};

ToolRun RunSoundInfo(const std::string& arguments) {
  ToolRun run;
  FILE* pipe = popen((std::string(SOUNDINFO_PATH) + " " + arguments + " 2>/dev/null").c_str(), "r");
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

}  // namespace
