// Sound cues: a short file played by name at a world position, kept in a ring of slots so
// that the per-tick re-mix can follow the player.
#include <mutex>

#include "audio/sound.h"
#include "game/game.h"
#include "game/mix.h"
#include "game/state.h"

namespace {

// The next slot of this thread's walk round the ring.
int32_t AdvanceCursor() {
  GameThreadVars& v = ThreadVars();
  v.cueCursor += 1;
  if (v.cueCursor > v.cueSlotLast) v.cueCursor = 0;
  return v.cueCursor;
}

void Report(const CueSlot& slot, int32_t index, float listenerX, float listenerY, int32_t heading) {
  const GameThreadVars& v = ThreadVars();
  CueReport report;
  report.stalkerThread = v.isStalker != 0;
  report.name = slot.name;
  report.slot = index;
  report.nonPositional = slot.nonPositional;
  report.x = slot.x;
  report.y = slot.y;
  report.listenerX = listenerX;
  report.listenerY = listenerY;
  report.listenerHeading = heading;
  report.sound = slot.sound;
  report.pan = v.lastPan;
  report.volume = v.lastVolume;
  Events().CueStarted(report);
}

}  // namespace

void PlayCue(const std::string& name, int32_t nonPositional, float x, float y, int32_t playFlags) {
  GameGlobals& g = Game();
  // The listener as it stands at the call; only the main thread moves it.
  float listenerX = g.player.x, listenerY = g.player.y;
  int32_t heading = g.player.heading;

  int32_t d = Distance(x, y, listenerX, listenerY);
  if (d >= g.audibleRange) {
    Events().CueDropped({ThreadVars().isStalker != 0, name, x, y, d});
    return;
  }

  std::scoped_lock lock(g.cueLock);
  int32_t index = AdvanceCursor();
  CueSlot& slot = g.cueSlots[index];
  slot.name = name;
  if (SoundFromNumber(slot.sound) != 0) {
    SoundStop(slot.sound);
    SoundFree(slot.sound);
  }
  slot.sound = SoundLoad(kNewHandle, "Assets/" + name + ".wav");
  slot.nonPositional = nonPositional;
  if (nonPositional == kPositioned) {
    PositionCue(listenerX, listenerY, x, y, static_cast<float>(heading), index, kCueFalloff);
  } else {
    SoundSetPan(slot.sound, 0);
    SoundSetVolume(slot.sound, 100);
    ThreadVars().lastPan = 0;
    ThreadVars().lastVolume = 100;
  }
  slot.x = x;
  slot.y = y;
  SoundPlay(slot.sound, playFlags, kKeepVolume);
  Report(slot, index, listenerX, listenerY, heading);
}
