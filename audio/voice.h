// audio/voice.h - one loaded sound as the engine and the mixer share it: its PCM, what the
// game asked for (control), and where the mixer is in it (render).
// Threads: `pcm` is immutable once the voice is made and `filling` (a stream's samples still
// being read into it) has been joined, which SoundPlay does before it lends the voice. The game
// threads' part is written and read under the engine lock only; they publish it to the mixer as one
// 64-bit word. `render` and `tails` belong to the mixer thread while the voice is lent to it (and
// to whoever holds the output closed). `endedStarts` is the mixer's one answer back.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "audio/sound_pcm.h"
#include "audio/volume_table.h"

// What the game asked of a voice, as the game's operations leave it.
struct VoiceControl {
  int32_t levelCb = 0;   // hundredths of a dB, -10000 (silent) .. 0 (full)
  int32_t panCb = 0;     // hundredths of a dB, -10000 (right silent) .. 10000 (left silent)
  bool looping = false;  // as the last SoundPlay asked
  bool playing = false;  // true from SoundPlay until a stop or a free
  uint32_t starts = 0;   // counts SoundPlay calls; a change restarts the voice at sample 0
};

// The control as one word, so that the mixer reads a consistent whole without a lock:
// bits 0..13 level + 10000, 14..28 pan + 10000, 29 looping, 30 playing, 32..63 starts.
// Bit 31 is the mixer's: it sets it (by compare-and-swap on the very word it last acted on)
// when it lets the voice go; a game thread's publish clears it and learns from it.
inline constexpr uint64_t kParkedBit = uint64_t{1} << 31;
uint64_t PackControl(const VoiceControl& control);
VoiceControl UnpackControl(uint64_t word);

// Where a positioned voice is heard, in hundredths of a degree counterclockwise from straight
// ahead (0 .. 35999), or kNoDirection: heard through the stereo pan law.
inline constexpr int32_t kNoDirection = -1;

// A voice heard through the ring of directions (headphones) adds into two neighbouring
// ring directions; these are their gains, as `gains` are a stereo voice's two channels.
struct RingPair {
  int32_t first = -1;  // ring direction of `gains.left`; `gains.right` is the next one; -1 none
  ChannelGains gains{0.0f, 0.0f};
  float firstStep = 0.0f;  // gain change per frame while the voice's ramp runs
  float nextStep = 0.0f;
};

struct VoiceRender {
  uint64_t position = 0;  // source frames, 32.32 fixed point
  ChannelGains gains{};   // amplitude factors applied to the next frame
  ChannelGains target{};  // where a ramp is heading
  float leftStep = 0.0f;  // gain change per frame while ramping
  float rightStep = 0.0f;
  int32_t rampFrames = 0;  // output frames left in the ramp; 0 = steady
  int32_t levelCb = 0;     // the control values `target` was made from
  int32_t panCb = 0;
  uint64_t step = 0;     // source frames per output frame, 32.32, at stepRate
  int32_t stepRate = 0;  // the device rate `step` was made for; 0 = none yet
  bool looping = false;
  bool ended = true;  // nothing of this wave is left to hear
  // Heard through the ring: `gains` are then those of ring directions `ring` and `ring + 1`,
  // and `fading` is the pair a change of direction left, going silent over the same ramp.
  int32_t directionCd = kNoDirection;  // the direction `target` was made from
  int32_t ring = -1;                   // -1: heard through the stereo pan law
  RingPair fading;
  // Heard through the ring: frames each ear (left, right) lags, their change per frame while
  // the ramp runs, where they are heading, and the direction and ring they were taken for.
  float earDelay[2] = {0.0f, 0.0f};
  float earDelayStep[2] = {0.0f, 0.0f};
  float earDelayTarget[2] = {0.0f, 0.0f};
  int32_t delayDirectionCd = kNoDirection;
  uint32_t delayRing = 0;  // RingRenderer::serial(); 0 none
  uint32_t starts = 0;     // the control's `starts` last taken
};

struct Voice {
  Voice() = default;
  Voice(const Voice&) = delete;
  Voice& operator=(const Voice&) = delete;
  ~Voice() {
    if (filling.joinable()) filling.join();
  }

  SoundPcm pcm;
  std::thread filling;  // reads a stream's samples into `pcm`; joined on a game thread

  // ---- game threads, under the engine lock ----
  VoiceControl wanted;    // the control as the game's operations left it
  bool lent = false;      // the mixer holds it, as far as the game knows
  int32_t loans = 0;      // hand-overs to the mixer not yet handed back
  bool released = false;  // freed by the game: deleted once the mixer gives it back

  // ---- shared ----
  std::atomic<uint64_t> control{0};              // the published `wanted`, plus kParkedBit
  std::atomic<uint32_t> endedStarts{0};          // `starts` of the last play that ran to its end
  std::atomic<int32_t> direction{kNoDirection};  // SoundSetDirection's, read by every pull

  // ---- the mixer thread, while lent ----
  VoiceRender render;
  int32_t tails = 0;  // fading copies of earlier waves still reading `pcm`
};
