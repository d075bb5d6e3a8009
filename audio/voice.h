// audio/voice.h - one loaded sound as the engine and the mixer share it: its PCM, what the
// game asked for (control), and where the mixer is in it (render).
// Threads: `pcm` is immutable once the voice is made. `control` is written by game threads
// and read by the mixer's sync, always under the engine lock. `render` belongs to the
// mixer thread alone (and to whoever holds the output closed).
#pragma once

#include <cstdint>

#include "audio/sound_pcm.h"
#include "audio/volume_table.h"

struct VoiceControl {
  int32_t levelCb = 0;   // hundredths of a dB, -10000 (silent) .. 0 (full)
  int32_t panCb = 0;     // hundredths of a dB, -10000 (right silent) .. 10000 (left silent)
  bool looping = false;  // as the last SoundPlay asked
  bool playing = false;  // true from SoundPlay until a stop, a free or the last sample
  uint32_t starts = 0;   // counts SoundPlay calls; a change restarts the voice at sample 0
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
  bool ended = true;    // a once-played voice went past its last sample
  uint32_t starts = 0;  // the control's `starts` last taken
};

struct Voice {
  SoundPcm pcm;
  VoiceControl control;
  VoiceRender render;
};
