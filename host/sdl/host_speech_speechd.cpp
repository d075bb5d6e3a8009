#include "host/sdl/host_speech.h"
#include "host/sdl/speechd_speech.h"

Speech* HostSpeech() {
  static auto* speech = new SpeechdSpeech;
  return speech;
}
