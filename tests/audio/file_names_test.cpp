// File names on every system the game is built for: UTF-8 names beyond ASCII, names in
// another letter case, names relative to the working folder, and files read byte for
// byte (Windows must neither misread the name nor translate line ends in the data).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/file_image.h"
#include "audio/path_lookup.h"
#include "audio/sound_file.h"
#include "runtime/utf8_path.h"
#include "sound_files.h"
#include "wav_builder.h"

namespace {

// Samples whose bytes are a carriage return and line feed (both orders) and the
// end-of-file mark of text mode, so that any text-mode read changes them.
const std::vector<int16_t> kAwkwardSamples = {0x0A0D, 0x1A1A, -1, 0x0D0A, 0x1A0D, 0};

Bytes AwkwardWav() {
  Bytes pcm;
  for (int16_t s : kAwkwardSamples) PutU16(pcm, static_cast<uint16_t>(s));
  return SimpleWav(FormatBlock({1, 1, 22050, 16}), pcm);
}

// Writes `bytes` at the UTF-8 path `utf8`, creating its folders.
void WriteAt(const std::string& utf8, const Bytes& bytes) {
  fs::create_directories(PathFromUtf8(utf8).parent_path());
  WriteBytes(PathFromUtf8(utf8), bytes);
}

void ExpectAwkwardSamples(const SoundFileResult& result) {
  ASSERT_TRUE(result.loaded) << result.refusal;
  ASSERT_EQ(result.sound.samples.size(), kAwkwardSamples.size());
  for (size_t i = 0; i < kAwkwardSamples.size(); ++i) {
    EXPECT_EQ(result.sound.samples[i], kAwkwardSamples[i] / 32768.0f) << i;
  }
}

class FileNames : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder.path().empty()); }
  std::string Utf8(const std::string& name) const {
    return Utf8FromPath(folder.path()) + "/" + name;
  }
  TempFolder folder;
};

TEST_F(FileNames, NamesBeyondAsciiAreReadAsUtf8) {
  const std::string name = Utf8(
      "Kl\xC3\xA4nge/Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x99\xAA.wav");
  WriteAt(name, AwkwardWav());
  ExpectAwkwardSamples(LoadSoundFile(name));
  FileImage image;
  std::string refusal;
  ASSERT_TRUE(ReadFileImage(name, image, refusal)) << refusal;
  EXPECT_EQ(image, AwkwardWav());  // byte for byte: no line-end translation
  EXPECT_EQ(FindPathIgnoringCase(name), name);
  // The same letters decomposed are other bytes, and so another name.
  EXPECT_FALSE(LoadSoundFile(Utf8("Kla\xCC\x88nge/Gr\xC3\xBC\xC3\x9F"
                                  "e \xE2\x99\xAA.wav"))
                   .loaded);
}

TEST_F(FileNames, AnotherLetterCaseFindsTheSameFile) {
  WriteAt(Utf8("Assets/Terrain/Grass1.wav"), AwkwardWav());
  const std::string other = Utf8("assets/TERRAIN/grass1.WAV");
  ExpectAwkwardSamples(LoadSoundFile(other));
  const std::string found = FindPathIgnoringCase(other);
  ASSERT_FALSE(found.empty());
  EXPECT_TRUE(fs::equivalent(PathFromUtf8(found), folder.path() / "Assets/Terrain/Grass1.wav"));
  EXPECT_EQ(FindPathIgnoringCase(Utf8("assets/terrain/grass2.wav")), "");
  EXPECT_FALSE(LoadSoundFile(Utf8("assets/terrain/grass2.wav")).loaded);
}

TEST_F(FileNames, RelativeNamesStartAtTheWorkingFolder) {
  WriteAt(Utf8("Assets/Gr\xC3\xBCn.wav"), AwkwardWav());
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  SoundFileResult written = LoadSoundFile("Assets/Gr\xC3\xBCn.wav");
  SoundFileResult lower = LoadSoundFile("assets/gr\xC3\xBCn.wav");
  fs::current_path(previous);
  ExpectAwkwardSamples(written);
  ExpectAwkwardSamples(lower);  // ASCII letters fold; the umlaut is the same bytes
}

TEST_F(FileNames, FoldersAndMissingFilesAreRefusedWithAReason) {
  fs::create_directories(folder.path() / "sub.wav");
  EXPECT_FALSE(LoadSoundFile(Utf8("sub.wav")).loaded);
  FileImage image;
  std::string refusal;
  EXPECT_FALSE(ReadFileImage(Utf8("absent \xC3\xA9.wav"), image, refusal));
  EXPECT_NE(refusal.find("cannot open"), std::string::npos) << refusal;
}

}  // namespace
