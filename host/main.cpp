// quelmire: the game on the real host (an SDL2 window, keyboard, mouse, speech and audio
// device). It finds its assets/ folder from any working folder (host/asset_home.h).
//   quelmire              the stereo mix
//   quelmire --binaural   for headphones: positioned sounds through head-related filters
//                         (also QUELMIRE_BINAURAL=1)
#include <cstdio>
#include <string>

#include "game/game.h"
#include "game/headphones.h"
#include "game/settings.h"
#include "host/asset_home.h"
#include "host/audio/sdl_audio_output.h"
#include "host/host.h"
#include "host/sdl/sdl_host.h"
#include "platform/config_file.h"
#include "runtime/shown_text.h"

namespace {

constexpr int kExitBadCommandLine = 2;

// True for --binaural; any other argument is refused with a line on standard error.
bool ReadArguments(int argc, char** argv, bool& binaural) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--binaural") {
      binaural = true;
      continue;
    }
    std::fprintf(stderr, "quelmire: unknown argument %s (the one option is --binaural)\n",
                 QuotedExcerpt(arg).c_str());
    return false;
  }
  return true;
}

// The player's own file, read at start and written at each change. A system that names no
// place for it is told once; the game then plays from the defaults and remembers nothing.
void UsePlayerSettings() {
  std::string why;
  const std::string path = PlayerSettingsPath(why);
  if (path.empty()) {
    std::fprintf(stderr, "quelmire: settings are not remembered: %s.\n", why.c_str());
  }
  UseSettingsFile(path, SettingsWrite::kWriteBack);
}

}  // namespace

int main(int argc, char** argv) {
  bool binaural = false;
  if (!ReadArguments(argc, argv, binaural)) return kExitBadCommandLine;
  if (BinauralAsked(binaural)) AskHeadphonesForThisRun();
  UsePlayerSettings();
  EnterAssetHome();
  HostServices host = SdlHostServices();
  // Never destroyed: the game leaves the process from its end sequence.
  host.audio = new SdlAudioOutput;
  InstallHost(host);
  ProgramEntry();
}
