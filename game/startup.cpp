// Program entry, the start-up checks, and the one end sequence every way out uses.
#include "audio/asset_search.h"
#include "audio/ogg_decoder.h"
#include "audio/sound.h"
#include "game/game.h"
#include "game/game_exit.h"
#include "game/headphones.h"
#include "game/rules.h"
#include "game/settings.h"
#include "game/state.h"
#include "input/input.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "runtime/runtime.h"

namespace {

// The three device checks, in order; the first failure is the only one shown.
bool DevicesReady(int32_t keyboard, int32_t screen, int32_t sound) {
  if (keyboard == 0) {
    ErrorBox("ERROR", "Error initializing Keyboard.");
    return false;
  }
  if (screen == 0) {
    ErrorBox("ERROR", "Error initializing Sprites.");
    return false;
  }
  if (sound == 0) {
    ErrorBox("ERROR", "Error initializing Sound Library");
    return false;
  }
  return true;
}

// The asset folder as a whole, after the devices: without it the game would play in
// total silence, so it is named like a missing device. A single missing file stays
// silent, as every sound does. The program has already moved to where the search found
// one, if it found any.
bool AssetsReady() {
  if (HoldsAssetFolder(".")) return true;
  ErrorBox("ERROR", kNoAssetFolder);
  return false;
}

}  // namespace

void ProgramEntry() {
  // The runtime's strings, arrays and heaps need no start of their own here.
  ClearGameGlobals();
  GameThreadVarsStart();
  // The window layer's user-interface machinery (controls, images, posted events) is
  // never used by the game and is not started.

  int32_t keyboard = KeyboardInit();
  int32_t screen = ScreenInit();
  Game().mouseAvailable = MouseInit();
  int32_t sound = SoundInit();
  if (!DevicesReady(keyboard, screen, sound) || !AssetsReady()) {
    Game().endCause = EndCause::kStartup;
    ShutdownProgram();
  }

  SoundUseOggDecoder();
  LoadSettings();
  StartHeadphones();
  SetStartGlobals();

  OpenGameWindow();
  TitleAndIntro();
  HeadphonesReady();
  StartGame();
}

// Desktop 0 measured, then a captioned window whose inner area is the desktop's size (it
// lands at the top-left corner), black, with a black screen that keeps filling it.
void OpenGameWindow() {
  DesktopExamine();
  int32_t height = DesktopHeight(0);
  int32_t width = DesktopWidth(0);
  constexpr int32_t kGameWindow = 0, kAtTopLeft = 0;
  WindowOpen(kGameWindow, kAtTopLeft, kAtTopLeft, width, height, "Vorlent: The Quelmire",
             kWindowCaptionStyle | kWindowCentre);
  WindowSetColor(kGameWindow, 0);
  constexpr int32_t kKeepsFilling = 1, kNoOffset = 0;
  ScreenOpenWindowed(WindowHandle(kGameWindow), kAtTopLeft, kAtTopLeft, width, height,
                     kKeepsFilling, kNoOffset, kNoOffset);
}

void SetStartGlobals() {
  GameGlobals& g = Game();
  g.fieldWidth = rules::kFieldWidth;
  g.fieldHeight = rules::kFieldHeight;
  g.obstacleCount = rules::kObstacleCount;
  g.obstacleSize = rules::kObstacleSize;
  g.tunnelLength = rules::kTunnelLength;
  g.tunnelWidth = rules::kTunnelWidth;
  g.keepOutWidth = rules::kKeepOutWidth;
  g.keepOutHeight = rules::kKeepOutHeight;
  g.audibleRange = rules::kAudibleRange;
  g.ambienceInterval = rules::kAmbienceInterval;
  g.ambienceCounter = 0;
  g.pagesCollected = 0;
  g.walkStepInterval = rules::kWalkStepInterval;
  g.runStepInterval = rules::kRunStepInterval;
  g.hitCounter = 0;

  ArrayAllocate(kCueSlotLast + 1, g.cueSlots);
  ArrayAllocate(9, g.atmosphereLayers);
  ArrayAllocateMulti({g.fieldWidth + 2, g.fieldHeight + 2}, g.terrainMap);
  ArrayAllocate(kPageCount + 1, g.pages);
  ArrayAllocate(g.obstacleCount + 2, g.obstacles);
}

// Every thread the program started is accounted for here, and none is waited on without
// a bound: the stalker is stopped (250 ms at most, else left inside its stalled read),
// the sound device's thread and its watchdog are joined by SoundShutdown, and the speech
// worker is joined by SpeechEnd, or left after its grace while a server keeps it waiting.
void ShutdownProgram() {
  const int32_t code = Game().endCause == EndCause::kStartup ? kExitStartUpFailed : 0;
  Events().Ending(Game().endCause, code);
  // The stalker thread still starts cues and changes sounds: it ends before anything it
  // uses is torn down.
  StopStalker();
  SettingsEnd();
  RuntimeEnd();
  // The string store and the heaps are the C++ runtime's; the process exit returns them.
  ExitProcess(code);
}

void RuntimeEnd() {
  ThreadsEnd();
  SoundShutdown();
  KeyboardShutdown();
  MouseShutdown();
  ScreenEnd();
  WindowsEnd();
  SpeechEnd();
}
