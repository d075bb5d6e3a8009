// The title loop and the intro, heard only.
#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/platform.h"

void TitleAndIntro() {
  GameGlobals& g = Game();
  g.titleSound = SoundLoad(-1, "assets/title.wav");
  g.introSound = SoundLoad(-1, "assets/intro.wav");
  SoundPlay(g.titleSound, 1, 100);

  for (;;) {
    KeyboardExamine();
    if (KeyReleased(kKeySpace)) {
      SoundStop(-1);
      break;
    }
    DelayMs(16);
    WindowPollEvent(1);
  }

  SoundPlay(g.introSound, 0, -1);
  // A sound that failed to load answers nonzero here: the loop then waits for Escape.
  while (SoundIsPlaying(g.introSound) != 0) {
    KeyboardExamine();
    if (KeyReleased(kKeyEscape)) {
      SoundStop(-1);
      break;
    }
    DelayMs(16);
    WindowPollEvent(1);
  }
}
