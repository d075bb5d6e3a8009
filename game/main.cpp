// quelmire: the game on the real host (an SDL2 window, keyboard, mouse and audio device).
// It finds its assets/ folder from any working folder (host/sdl/asset_home.h).
#include "game/game.h"
#include "host/audio/sdl_audio_output.h"
#include "host/sdl/asset_home.h"
#include "host/sdl/sdl_host.h"

int main() {
  EnterAssetHome();
  InstallSdlHost();
  // Never destroyed: the game leaves the process from its end sequence.
  static auto* output = new SdlAudioOutput;
  InstallAudioOutput(output);
  ProgramEntry();
}
