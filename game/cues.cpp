// Sound cues: a short file played by name at a world position, kept in a ring of slots so
// that the per-tick re-mix can follow the player.
#include <mutex>

#include "audio/sound.h"
#include "game/game.h"
#include "game/mix.h"
#include "game/rules.h"
#include "game/state.h"

namespace {

// The next slot of this thread's walk round the ring.
int32_t AdvanceCursor() {
  GameThreadVars& v = ThreadVars();
  v.cueCursor += 1;
  if (v.cueCursor > kCueSlotLast) v.cueCursor = 0;
  return v.cueCursor;
}

// `mix` is what the game set on the sound: pan and volume before the engine's clamp.
void Report(const CueSlot& slot, int32_t index, float listenerX, float listenerY, int32_t heading,
            const MixResult& mix) {
  CueReport report;
  report.stalkerThread = ThreadVars().isStalker != 0;
  report.name = slot.name;
  report.slot = index;
  report.placement = slot.placement;
  report.x = slot.x;
  report.y = slot.y;
  report.listenerX = listenerX;
  report.listenerY = listenerY;
  report.listenerHeading = heading;
  report.sound = slot.sound;
  report.pan = mix.pan;
  report.volume = mix.volume;
  Events().CueStarted(report);
}

}  // namespace

void PlayCue(const std::string& name, int32_t placement, float x, float y, int32_t playFlags) {
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
  slot.placement = placement;
  MixResult mix;
  if (placement == kPositioned) {
    mix = PositionCue(listenerX, listenerY, x, y, static_cast<float>(heading), index,
                      rules::kCueFalloff);
  } else {
    mix.pan = 0;
    mix.volume = 100;
    SoundSetPan(slot.sound, mix.pan);
    SoundSetVolume(slot.sound, mix.volume);
  }
  slot.x = x;
  slot.y = y;
  SoundPlay(slot.sound, playFlags, kKeepVolume);
  Report(slot, index, listenerX, listenerY, heading, mix);
}
