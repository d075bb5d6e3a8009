// The main loop, its tick, the page milestones and the outro.
#include "audio/sound.h"
#include "game/game.h"
#include "game/headphones.h"
#include "game/rules.h"
#include "game/settings.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/platform.h"
#include "runtime/runtime.h"

void MainLoop() {
  GameGlobals& g = Game();
  g.tickStart = ElapsedMs();
  g.stalkerThread = ThreadCreate(RunStalker, 0);
  Events().PlayStarted();
  for (;;) {
    int32_t now = ElapsedMs();
    if (ElapsedMsSince(g.tickStart, now) >= rules::kTickMs) RunTick();
    WindowPollEvent(1);
  }
}

// One tick, in the fixed order the other procedures rely on: moves before the player's
// update (a push-back uses the previous tick's direction), the re-mix after the moves.
void RunTick() {
  GameGlobals& g = Game();
  g.tickStart = ElapsedMs();
  KeyboardExamine();
  if (g.mouseAvailable != 0) MouseExamine();
  HandleSettingsKeys();
  PlayAmbience();
  HandleCommands();
  UpdatePlayer();
  UpdateCues();
  CheckPageMilestones();
  UpdatePages();
  TellSilencedMixes();
  Events().TickEnded(++g.tickCount);
}

void CheckPageMilestones() {
  GameGlobals& g = Game();
  if (g.pagesCollected == kPageCount) PlayOutro();
  // Layer n joins while exactly 2n - 1 pages are taken, and again should it stop.
  for (int32_t layer = 1; layer <= 4; ++layer) {
    if (g.pagesCollected != 2 * layer - 1) continue;
    int32_t sound = g.atmosphereLayers[layer];
    // A layer whose file is missing is sound 0: asked to play on every tick, it never
    // starts, and only a layer that did start is reported.
    if (SoundIsPlaying(sound) != 1 && SoundPlay(sound, kLooped, 100) == 1) {
      Events().LayerStarted(layer);
    }
  }
}

// "Assets/": the game's own spelling, found by the loader ignoring letter case (PlayCue).
void PlayOutro() {
  GameGlobals& g = Game();
  g.outroSound = SoundLoad(kNewHandle, "Assets/outro.wav");
  SoundStop(kAllSounds);
  SoundPlay(g.outroSound, kOnce, kKeepVolume);
  Events().OutroStarted();
  // A sound that failed to load answers "playing" for ever: without an outro there is
  // nothing to wait for.
  if (g.outroSound != 0) {
    while (SoundIsPlaying(g.outroSound) != 0) {
      WindowPollEvent(1);
      DelayMs(16);
    }
  }
  g.endCause = EndCause::kOutro;
  ShutdownProgram();
}
