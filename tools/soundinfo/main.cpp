// quelmire-soundinfo FILE...: loads each file exactly as the game does (the Ogg
// Vorbis decoder registered, names looked up ignoring case) and prints one line per
// file:
//   FILE: channels=C rate=R bits=B frames=F     (frames per channel, as loaded)
//   FILE: refused (reason)
// FILE is shown as given, bounded and with control characters and bytes that are not
// UTF-8 escaped (runtime/shown_text.h), so that no name can act on the terminal.
// Whatever is not a regular file (a named pipe, a device, a folder) is refused at once.
// Exit status 0 when every file loaded, 1 otherwise (also with no file named); 2 when
// the lines could not be written whole.
#include <cstdio>
#include <string>

#include "audio/ogg_decoder.h"
#include "audio/sound_file.h"
#include "runtime/shown_text.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: quelmire-soundinfo FILE...\n");
    return 1;
  }
  SoundUseOggDecoder();
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    SoundFileResult result = LoadSoundFile(argv[i]);
    const std::string name = ShownText(argv[i]);
    if (result.loaded) {
      const DecodedSound& sound = result.sound;
      std::printf("%s: channels=%d rate=%d bits=%d frames=%lld\n", name.c_str(), sound.channels,
                  sound.rate, sound.bitsPerSample, static_cast<long long>(sound.frames));
    } else {
      std::printf("%s: refused (%s)\n", name.c_str(), ShownText(result.refusal).c_str());
      status = 1;
    }
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "quelmire-soundinfo: the lines could not be written whole\n");
    return 2;
  }
  return status;
}
