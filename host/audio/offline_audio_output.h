// host/audio/offline_audio_output.h - the offline audio device: pulls the mixer as virtual
// time passes, instead of a sound card's clock.
//
// Use:
//   OfflineAudioOutput output;          // 48000 Hz stereo float unless told otherwise
//   InstallAudioOutput(&output);
//   SoundInit();                        // opens it; it never refuses
//   ... sound operations ...
//   output.Advance(17);                 // renders exactly the frames of 17 ms
//   output.Samples();                   // everything rendered so far, interleaved L R
//   output.WriteWav("run.wav");         // or stream to a file: StreamToWav() first
//
// Advance(ms) renders the frames between the virtual times before and after the step, so
// any sequence of steps adding up to T ms renders exactly T x rate / 1000 frames (rounded
// down at T). While the device is closed, time passes and nothing is rendered.
//
// Output goes to memory (unless KeepInMemory(false)), to a WAV file being streamed, or
// both. WAV files hold 32-bit float samples, so they repeat the mix bit for bit.
//
// Threads: Open and Close come from SoundInit and SoundShutdown; Advance and the readers from
// whoever drives virtual time. An internal lock keeps Advance and Close apart.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_output.h"

class OfflineAudioOutput final : public AudioOutput {
 public:
  static constexpr int32_t kDefaultRate = 48000;  // frames per second

  explicit OfflineAudioOutput(int32_t rate = kDefaultRate);  // rate 8000 .. 192000
  ~OfflineAudioOutput() override;
  OfflineAudioOutput(const OfflineAudioOutput&) = delete;
  OfflineAudioOutput& operator=(const OfflineAudioOutput&) = delete;

  bool Open(AudioSource& source) override;
  void Close() override;
  int32_t OpenRate() const override { return rate_; }

  // Lets `ms` milliseconds of virtual time pass, rendering their frames while open.
  void Advance(uint32_t ms);
  // Renders exactly `frames` frames now (a test's finer step); virtual time is not moved.
  void RenderFrames(int64_t frames);

  int32_t rate() const { return rate_; }
  int64_t framesRendered() const;  // since construction

  // Rendered samples kept in memory: 2 x frames floats, left first, -1 .. 1.
  void KeepInMemory(bool keep);
  const std::vector<float>& Samples() const { return samples_; }
  void ClearSamples();

  // Writes the samples kept in memory as a WAV file; false when the file cannot be written.
  bool WriteWav(const std::string& path) const;
  // From now on also appends every rendered frame to the WAV file at `path`, whose header is
  // brought up to date by FinishWav (or the destructor). False when it cannot be created.
  bool StreamToWav(const std::string& path);
  bool FinishWav();

 private:
  void RenderLocked(int64_t frames);

  const int32_t rate_;
  mutable std::mutex lock_;  // guards everything below
  AudioSource* source_ = nullptr;
  uint64_t virtualMs_ = 0;      // virtual time passed since construction
  int64_t framesRendered_ = 0;  // frames rendered since construction
  int64_t framesOwed_ = 0;      // frames rendered for virtual time (Advance) so far
  bool keep_ = true;
  std::vector<float> samples_;
  std::vector<float> scratch_;
  std::FILE* stream_ = nullptr;  // the WAV file being streamed, or null
  int64_t streamedFrames_ = 0;
};
