// quelmire: the game on the real host (an SDL2 window, keyboard, mouse, speech and audio
// device). It finds its assets/ folder from any working folder (host/asset_home.h).
#include "game/game.h"
#include "host/asset_home.h"
#include "host/audio/sdl_audio_output.h"
#include "host/host.h"
#include "host/sdl/sdl_host.h"

int main() {
  EnterAssetHome();
  HostServices host = SdlHostServices();
  // Never destroyed: the game leaves the process from its end sequence.
  host.audio = new SdlAudioOutput;
  InstallHost(host);
  ProgramEntry();
}
