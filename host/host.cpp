#include "host/host.h"

#include "audio/audio_output.h"
#include "input/input_source.h"
#include "platform/speech.h"
#include "platform/window_system.h"
#include "runtime/clock_seam.h"
#include "runtime/thread_seam.h"

void InstallHost(const HostServices& services) {
  InstallClock(services.clock);
  InstallThreadStarter(services.threads);
  InstallWindowSystem(services.windows);
  InstallSpeech(services.speech);
  InstallInputSource(services.input);
  InstallAudioOutput(services.audio);
}

void UninstallHost() {
  InstallHost({});
}
