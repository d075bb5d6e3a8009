#include "audio/audio_output.h"

#include <atomic>

namespace {
// Written at start-up or by a test, read by SoundInit: an atomic keeps that race-free.
std::atomic<AudioOutput*> installedOutput{nullptr};
}  // namespace

void InstallAudioOutput(AudioOutput* output) {
  installedOutput.store(output, std::memory_order_release);
}

AudioOutput* InstalledAudioOutput() {
  return installedOutput.load(std::memory_order_acquire);
}
