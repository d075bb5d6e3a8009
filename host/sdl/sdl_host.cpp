#include "host/sdl/sdl_host.h"

#include "host/sdl/sdl_input_source.h"
#include "host/sdl/sdl_window_system.h"
#include "host/sdl/speechd_speech.h"

namespace {

// Never destroyed: the game ends the process from anywhere, and the platform's own
// tables (also never destroyed) may still name this window system.
SdlWindowSystem& WindowSystemInstance() {
  static auto* system = new SdlWindowSystem;
  return *system;
}

SpeechdSpeech& SpeechInstance() {
  static auto* speech = new SpeechdSpeech;
  return *speech;
}

SdlInputSource& InputSourceInstance() {
  static auto* source = new SdlInputSource;
  return *source;
}

}  // namespace

void InstallSdlHost() {
  InstallWindowSystem(&WindowSystemInstance());
  InstallInputSource(&InputSourceInstance());
  InstallSpeech(&SpeechInstance());
}

void UninstallSdlHost() {
  InstallWindowSystem(nullptr);
  InstallInputSource(nullptr);
  InstallSpeech(nullptr);
  SpeechInstance().Close();  // its worker, if any, ends with the host
}
