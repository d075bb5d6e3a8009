#include "audio/audio_output.h"

#include "runtime/seam.h"

namespace {

// No default: with nothing installed the engine has no output and SoundInit fails.
Seam<AudioOutput> outputSeam;

}  // namespace

void InstallAudioOutput(AudioOutput* output) {
  outputSeam.Install(output);
}
AudioOutput* InstalledAudioOutput() {
  return outputSeam.Installed();
}
