// The one panning law: pan from the bearing of the source relative to the heading,
// volume falling linearly with distance and by a third behind the listener. Every named
// value is held in single precision; the trigonometry runs in double.
#include <cmath>
#include <mutex>

#include "audio/sound.h"
#include "game/game.h"
#include "game/game_math.h"
#include "game/mix.h"
#include "game/rules.h"
#include "game/state.h"

namespace {

// A relative bearing of this many degrees is straight ahead.
constexpr float kAheadDegrees = 90.0f;

// The angle, in radians, at which the listener sees the source. Note the opposite
// orientation of the two differences; at dx = 0 the quotient is an infinity with the
// sign of dy, so a source toward +y comes out at 270 degrees and one toward -y at 90.
float Bearing(float dx, float dy) {
  if (dx == 0 && dy == 0) return -1.0f;
  float arc = Single(std::atan(static_cast<double>(dy) / static_cast<double>(dx)));
  if (dx > 0) return arc;
  return Single(static_cast<double>(arc) + kHalfTurn);
}

}  // namespace

MixResult ComputeMix(float listenerX, float listenerY, float sourceX, float sourceY, float heading,
                     int32_t falloff) {
  MixResult mix;
  float dy = Single(static_cast<double>(sourceY) - listenerY);
  float dx = Single(static_cast<double>(listenerX) - sourceX);
  float theta = Bearing(dx, dy);
  mix.bearing = Single(static_cast<double>(theta) * kRadiansToDegrees);
  float relative = Single(static_cast<double>(mix.bearing) - heading);
  mix.relative = relative;

  // A relative bearing of 90 degrees is straight ahead, 270 straight behind: the pan is
  // -100 cos of it, and `back`, -sin of it, is above 0 for a source behind.
  mix.pan = RoundHalfEven(-100.0 * std::cos(Radians(relative)));
  float back = Single(-std::sin(Radians(relative)));

  int32_t d = Distance(listenerX, listenerY, sourceX, sourceY);
  float volume = Single(100.0 - static_cast<double>(d) * falloff * 100.0 / 200.0);
  if (back > 0) volume = Single(volume / rules::kBehindVolumeDivisor);
  mix.volume = RoundHalfEven(volume);
  return mix;
}

MixResult PositionSound(float listenerX, float listenerY, float sourceX, float sourceY,
                        float heading, int32_t sound, int32_t falloff) {
  MixResult mix = ComputeMix(listenerX, listenerY, sourceX, sourceY, heading, falloff);
  SoundSetPan(sound, mix.pan);
  SoundSetVolume(sound, mix.volume);
  // For headphones the same direction, counterclockwise from ahead; the pan is then not heard.
  if (SoundHeadphonesOn()) SoundSetDirection(sound, kAheadDegrees - mix.relative);
  return mix;
}

MixResult PositionCue(float listenerX, float listenerY, float sourceX, float sourceY, float heading,
                      int32_t slot, int32_t falloff) {
  return PositionSound(listenerX, listenerY, sourceX, sourceY, heading, Game().cueSlots[slot].sound,
                       falloff);
}

void UpdateCues() {
  GameGlobals& g = Game();
  Player& p = g.player;
  {
    std::scoped_lock lock(g.cueLock);
    for (int32_t i = 0; i <= kCueSlotLast; ++i) {
      CueSlot& slot = g.cueSlots[i];
      if (Distance(slot.x, slot.y, p.x, p.y) >= g.audibleRange) continue;
      if (SoundFromNumber(slot.sound) == 0) continue;
      if (slot.placement == kPositioned) {
        PositionCue(p.x, p.y, slot.x, slot.y, static_cast<float>(p.heading), i, rules::kCueFalloff);
      } else {
        SoundSetVolume(slot.sound, 100);
        SoundSetPan(slot.sound, 0);
      }
    }
  }
  if (g.stalker.active == 1) {
    PositionSound(p.x, p.y, g.stalker.x, g.stalker.y, static_cast<float>(p.heading), g.stalkerSound,
                  rules::kStalkerFalloff);
  }
}
