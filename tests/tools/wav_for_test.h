// tests/tools/wav_for_test.h - reads a generated WAV file into the engine's decoded
// form, for the asset tree tests, until they can go through the engine's own loader.
// Only what the generator writes is accepted: RIFF WAVE, PCM, 16 bits, 1 or 2 channels.
#pragma once

#include <string>

#include "audio/decoded_sound.h"

struct TestLoad {
  bool loaded = false;
  DecodedSound sound;
  std::string refusal;
};

TestLoad LoadWavForTest(const std::string& path);
