// The long-lived sounds of the field and the ambient noise every 101st tick.
#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "runtime/runtime.h"

void LoadGameSounds() {
  GameGlobals& g = Game();
  g.ambienceBed = SoundLoad(-1, "assets/ambience/amb.wav");
  SoundPlay(g.ambienceBed, 1, 50);
  g.breathSound = SoundLoad(-1, "assets/player/breath.wav");
  g.staticOuter = SoundLoad(-1, "assets/static/static1.wav");
  g.staticInner = SoundLoad(-1, "assets/static/static3.wav");
  g.stalkerSound = SoundLoad(-1, "assets/static/static2.wav");
  g.atmosphereLayers[1] = SoundLoad(-1, "assets/atmosphere/n1.wav");
  g.atmosphereLayers[2] = SoundLoad(-1, "assets/atmosphere/n3.wav");
  g.atmosphereLayers[3] = SoundLoad(-1, "assets/atmosphere/n5.wav");
  g.atmosphereLayers[4] = SoundLoad(-1, "assets/atmosphere/n7.wav");
}

void PlayAmbience() {
  GameGlobals& g = Game();
  g.ambienceCounter += 1;
  if (g.ambienceCounter <= g.ambienceInterval) return;
  int32_t y = RandomRange(g.fieldHeight);
  int32_t x = RandomRange(g.fieldWidth);
  int32_t n = RandomRange(10) + 1;
  PlayCue("ambience/amb" + IntToString(n), 0, static_cast<float>(x), static_cast<float>(y), 0);
  g.ambienceCounter = 0;
}
