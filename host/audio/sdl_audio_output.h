// host/audio/sdl_audio_output.h - the real audio device: SDL2's default output pulling the
// engine's mixer from its callback.
//
// Opens 48000 Hz stereo 32-bit float with buffers of 512 frames (about 11 ms); a device that
// insists on another rate is taken as it comes and the mixer follows it. Playback does not
// depend on which window is in front.
//
// A lost device (unplugged, or its server gone) is noticed by a small watchdog thread that
// polls the device's status, so it does not matter who pumps SDL's events. The watchdog
// closes the lost device and opens the default one again; every sound carries on where it
// was. While no device can be had at all, the watchdog pulls the mixer itself into
// silence at the pace of the steady clock, so that once-played sounds still end, and keeps
// trying to open a device twice a second.
//
// The game may end the process from any thread: keep the object for the life of the
// process (made with new, never deleted), so that neither the device thread nor the
// watchdog ever finds it destroyed.
//
// Threads: Open and Close from SoundInit and SoundShutdown; the mixer runs on SDL's audio
// thread or on the watchdog, never on both at once. The readers may be called from any
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/audio_output.h"

class SdlAudioOutput final : public AudioOutput {
 public:
  static constexpr int32_t kWantedRate = 48000;  // frames per second
  static constexpr int32_t kBufferFrames = 512;  // the most frames one callback asks for
  static constexpr uint32_t kWatchMs = 10;       // how often the watchdog looks
  static constexpr uint32_t kRetryMs = 500;      // how often a lost device is sought

  SdlAudioOutput() = default;
  ~SdlAudioOutput() override;
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  // Starts SDL's audio subsystem and opens the default device. False, with SDL's audio
  // stopped again, when no driver or device opens.
  bool Open(AudioSource& source) override;
  void Close() override;
  int32_t OpenRate() const override { return deviceRate(); }

  int32_t deviceRate() const { return rate_.load(std::memory_order_relaxed); }
  int32_t bufferFrames() const { return bufferFrames_.load(std::memory_order_relaxed); }
  // True while no device could be opened and the clock paces the mixer.
  bool silent() const { return silent_.load(std::memory_order_relaxed); }
  // Devices opened again after a loss, since Open.
  int32_t reopenCount() const { return reopens_.load(std::memory_order_relaxed); }

 private:
  static void Callback(void* self, uint8_t* stream, int bytes);
  bool OpenDevice();
  void Watch();
  void RenderSilently(uint32_t ms);

  AudioSource* source_ = nullptr;  // set by Open before any pull, cleared by Close after
  uint32_t device_ = 0;            // the SDL device; written by Open, the watchdog, Close
  std::thread watchdog_;
  std::atomic<bool> stopping_{false};
  std::atomic<int32_t> rate_{0};          // frames per second of the open device
  std::atomic<int32_t> bufferFrames_{0};  // frames per callback of the open device
  std::atomic<bool> silent_{false};
  std::atomic<int32_t> reopens_{0};
  std::vector<float> scratch_;  // the watchdog's silent pulls
};
