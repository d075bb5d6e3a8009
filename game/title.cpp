// The title loop and the intro, heard only.
#include "audio/sound.h"
#include "game/game.h"
#include "game/settings.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/platform.h"

namespace {

// One pass of a waiting loop: the key is tested right after the keyboard is sampled, so a
// release ends the loop before the pass's delay and its one window event. True when the
// key was released (every sound is then stopped).
bool ReleasedThisPass(int32_t key) {
  KeyboardExamine();
  HandleSettingsKeys();
  if (KeyReleased(key)) {
    SoundStop(kAllSounds);
    return true;
  }
  DelayMs(16);
  WindowPollEvent(1);
  return false;
}

}  // namespace

void TitleAndIntro() {
  GameGlobals& g = Game();
  g.titleSound = SoundLoad(kNewHandle, "assets/title.wav");
  g.introSound = SoundLoad(kNewHandle, "assets/intro.wav");
  SoundPlay(g.titleSound, kLooped, 100);
  while (!ReleasedThisPass(kKeySpace)) {
  }

  SoundPlay(g.introSound, kOnce, kKeepVolume);
  // A sound that failed to load answers nonzero here: the loop then waits for Escape.
  while (SoundIsPlaying(g.introSound) != 0 && !ReleasedThisPass(kKeyEscape)) {
  }
}
