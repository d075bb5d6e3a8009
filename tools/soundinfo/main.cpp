// quelmire-soundinfo FILE...: loads each file exactly as the game does (the Ogg
// Vorbis decoder registered, names looked up ignoring case) and prints one line per
// file:
//   FILE: channels=C rate=R bits=B frames=F     (frames per channel, as loaded)
//   FILE: refused (reason)
// Exit status 0 when every file loaded, 1 otherwise (also with no file named).
#include <cstdio>
#include <string>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
    return 1;
  }
  SoundUseOggDecoder();
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    SoundFileResult result = LoadSoundFile(argv[i]);
    if (result.loaded) {
      const DecodedSound& sound = result.sound;
      std::printf("%s: channels=%d rate=%d bits=%d frames=%lld\n", argv[i], sound.channels,
                  sound.rate, sound.bitsPerSample, static_cast<long long>(sound.frames));
    } else {
      std::printf("%s: refused (%s)\n", argv[i], result.refusal.c_str());
      status = 1;
    }
  }
  return status;
}
