// tools/assetgen/speech.h - spoken lines, rendered by the espeak-ng program (a Debian
// package, found on PATH) from our own texts and brought to kRate. espeak-ng renders
// the same bytes for the same text and settings, so speech keeps the tree deterministic.
// Threads: any; each call runs one child process.
#pragma once

#include <optional>
#include <string>

#include "tools/assetgen/sound.h"

namespace assetgen {

struct Voice {
  std::string name = "en-gb+m3";  // espeak-ng voice and variant
  int wordsPerMinute = 150;       // 80 .. 450
  int pitch = 40;                 // 0 .. 99, 50 is the voice's own
  int wordGap = 0;                // extra pause between words, in 10 ms units
};

// The text spoken in `voice`, at kRate, with the silence espeak-ng puts around it
// trimmed to 10 ms. Empty when espeak-ng is missing or fails.
std::optional<Mono> Speak(const std::string& text, const Voice& voice = {});

// Quotes `text` for /bin/sh: single quotes, each embedded quote as '\''.
std::string ShellQuote(const std::string& text);

// Parses the WAV that espeak-ng writes to standard output (16-bit mono; its size
// fields are placeholders, so the data runs to the end). Sets `rate`.
std::optional<Mono> ParseStreamedWav(const std::string& bytes, int& rate);

}  // namespace assetgen
