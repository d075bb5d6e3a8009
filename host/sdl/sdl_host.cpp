#include "host/sdl/sdl_host.h"

#include "host/host.h"
#include "host/sdl/host_speech.h"
#include "host/sdl/sdl_input_source.h"
#include "host/sdl/sdl_window_system.h"
#include "platform/speech.h"

namespace {

// Never destroyed: the game ends the process from anywhere, and the platform's own
// tables (also never destroyed) may still name this window system.
SdlWindowSystem& WindowSystemInstance() {
  static auto* system = new SdlWindowSystem;
  return *system;
}

SdlInputSource& InputSourceInstance() {
  static auto* source = new SdlInputSource;
  return *source;
}

}  // namespace

HostServices SdlHostServices() {
  HostServices services;
  services.windows = &WindowSystemInstance();
  services.input = &InputSourceInstance();
  services.speech = HostSpeech();
  return services;
}

void InstallSdlHost() {
  InstallHost(SdlHostServices());
}

void UninstallSdlHost() {
  UninstallHost();
  // Its worker, if any, ends with the host.
  if (Speech* speech = HostSpeech()) speech->Close();
}
