// The long-lived sounds of the field and the ambient noise every 101st tick.
#include "audio/sound.h"
#include "game/game.h"
#include "game/state.h"
#include "runtime/runtime.h"

void LoadGameSounds() {
  GameGlobals& g = Game();
  g.ambienceBed = SoundLoad(kNewHandle, "assets/ambience/amb.wav");
  SoundPlay(g.ambienceBed, kLooped, 50);
  g.breathSound = SoundLoad(kNewHandle, "assets/player/breath.wav");
  g.staticOuter = SoundLoad(kNewHandle, "assets/static/static1.wav");
  g.staticInner = SoundLoad(kNewHandle, "assets/static/static3.wav");
  g.stalkerSound = SoundLoad(kNewHandle, "assets/static/static2.wav");
  g.atmosphereLayers[1] = SoundLoad(kNewHandle, "assets/atmosphere/n1.wav");
  g.atmosphereLayers[2] = SoundLoad(kNewHandle, "assets/atmosphere/n3.wav");
  g.atmosphereLayers[3] = SoundLoad(kNewHandle, "assets/atmosphere/n5.wav");
  g.atmosphereLayers[4] = SoundLoad(kNewHandle, "assets/atmosphere/n7.wav");
}

void PlayAmbience() {
  GameGlobals& g = Game();
  g.ambienceCounter += 1;
  if (g.ambienceCounter <= g.ambienceInterval) return;
  int32_t y = RandomRange(g.fieldHeight);
  int32_t x = RandomRange(g.fieldWidth);
  int32_t n = RandomRange(10) + 1;
  PlayCue("ambience/amb" + IntToString(n), kPositioned, static_cast<float>(x),
          static_cast<float>(y), kOnce);
  g.ambienceCounter = 0;
}
