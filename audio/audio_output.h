// audio/audio_output.h - the seam between the sound engine and an audio device. The device
// pulls: whenever it needs samples it asks the source (the engine's mixer) for them.
// Implementations live in host/ (the SDL2 device, the offline device).
// Threads: Open and Close are called by SoundInit and SoundShutdown, never at once. Render
// is called on whatever thread the device runs, never before Open has been called, never
// after Close has returned, and never twice at once.
#pragma once

#include <cstdint>

inline constexpr int32_t kOutputChannels = 2;  // every output is interleaved stereo, left first

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Fills `out` with `frames` interleaved stereo frames (2 x frames floats, -1 .. 1) at
  // `rate` frames per second (8000 .. 192000; it may change between calls, for instance
  // when a device is reopened).
  virtual void Render(float* out, int32_t frames, int32_t rate) = 0;
};

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Opens the device and starts pulling `source`. False, with nothing left open, when no
  // device can be opened.
  virtual bool Open(AudioSource& source) = 0;
  // Stops pulling and closes the device; once it returns, `source` is never called again.
  virtual void Close() = 0;
  // Frames per second the open device pulls at, or 0 when it cannot say.
  virtual int32_t OpenRate() const { return 0; }
};

// The output SoundInit opens. Install at start-up (or in a test) before SoundInit, while
// the engine is not running; nullptr leaves the engine with no output, so SoundInit fails.
void InstallAudioOutput(AudioOutput* output);
AudioOutput* InstalledAudioOutput();
