#include "host/sdl/host_speech.h"

Speech* HostSpeech() {
  return nullptr;
}
