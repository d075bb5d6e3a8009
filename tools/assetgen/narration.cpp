// The spoken pieces over music: the looping title (the game's name and the prompt to
// press Space over a dark chord cycle and a tolling bell), the intro (the story, every
// control, and how to skip it, over a low drone) and the outro (the ending, over chords
// that finally settle on a major chord).
#include <string>
#include <vector>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/det_math.h"
#include "tools/assetgen/effects.h"
#include "tools/assetgen/filters.h"
#include "tools/assetgen/finishing.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/speech.h"
#include "tools/assetgen/synth.h"

namespace assetgen {
namespace {

// Speech sits this far above the music under it (RMS, dB): clearly intelligible.
constexpr double kVoiceOverMusicDb = 12.0;

const Voice kNarrator{.name = "en-gb+m3", .wordsPerMinute = 145, .pitch = 32};
const Voice kTitleVoice{.name = "en-gb+m3", .wordsPerMinute = 115, .pitch = 22};

struct Line {
  std::string text;
  double pauseAfter;  // seconds of silence before the next line
};

// Speaks each line in turn with its pause; empty when espeak-ng fails.
std::optional<Mono> SpeakLines(const std::vector<Line>& lines, const Voice& voice) {
  Mono out;
  for (const Line& line : lines) {
    std::optional<Mono> spoken = Speak(line.text, voice);
    if (!spoken) return std::nullopt;
    MixInto(out, *spoken, static_cast<int64_t>(out.size()));
    out.resize(out.size() + static_cast<size_t>(Frames(line.pauseAfter)), 0.0f);
  }
  return out;
}

// The voice in a modest stereo room, at `rmsDb` (gated RMS).
Sound VoiceInRoom(const Mono& voice, double rmsDb) {
  Sound s = Reverb(
      voice, {.room = 0.55, .damping = 0.5, .wet = 0.12, .dry = 1.0, .width = 0.8, .tail = 1.5});
  SetLoudness(s, {Measure::kRms, rmsDb});
  return s;
}

// A minor chord cycle, `chordSeconds` each, chords overlapping by their release.
Sound ChordCycle(const std::vector<std::vector<double>>& chords, double chordSeconds, double total,
                 double brightness, Rng& rng) {
  Sound music = MakeStereo(Silence(total), Silence(total));
  const double overlap = 1.5;
  int index = 0;
  for (double at = 0.0; at < total; at += chordSeconds, ++index) {
    const auto& chord = chords[static_cast<size_t>(index) % chords.size()];
    MixSound(music, Pad(chord, chordSeconds + overlap, 1.2, overlap + 0.5, brightness, rng), at,
             0.3);
  }
  music.samples.resize(static_cast<size_t>(Frames(total)) * 2);
  return music;
}

const std::vector<std::vector<double>> kMinorCycle = {
    {Note(-31), Note(-19), Note(-16), Note(-12)},  // D minor: D2 D3 F3 A3
    {Note(-35), Note(-23), Note(-19), Note(-16)},  // B flat: Bb1 Bb2 D3 F3
    {Note(-26), Note(-14), Note(-11), Note(-7)},   // G minor: G2 G3 Bb3 D4
    {Note(-24), Note(-12), Note(-8), Note(-5)},    // A major: A2 A3 C#4 E4
};

std::optional<Sound> Title() {
  const double chordSeconds = 7.0, loop = 4 * chordSeconds, fade = 3.0;
  Rng rng(10000);
  Sound music = ChordCycle(kMinorCycle, chordSeconds, loop + fade + 2.0, 900.0, rng);
  for (double at = 0.0; at < loop + fade; at += 2 * chordSeconds) {
    MixSound(music, PanToStereo(Bell(Note(-31), 6.0), -0.2), at, 0.25);
  }
  Mono wind = Filter(PinkNoise(loop + fade + 2.0, rng), FilterKind::kLowPass, 500.0);
  MixSound(music,
           MakeStereo(wind, Filter(PinkNoise(loop + fade + 2.0, rng), FilterKind::kLowPass, 500.0)),
           0.0, 0.08);
  music.samples.resize(static_cast<size_t>(Frames(loop + fade)) * 2);
  Sound title = FinishLoop(music, {Measure::kRms, role::kNarration.db - kVoiceOverMusicDb}, fade);

  // The voice goes in after the fold, clear of the wrap; its room dies out in time.
  std::optional<Mono> name = Speak("Vorlent. The Quelmire.", kTitleVoice);
  std::optional<Mono> prompt = Speak("Press space to begin.", kNarrator);
  if (!name || !prompt) return std::nullopt;
  MixSound(title, VoiceInRoom(*name, role::kNarration.db), 1.5);
  MixSound(title, VoiceInRoom(*prompt, role::kNarration.db), 9.0);
  MixSound(title, VoiceInRoom(*prompt, role::kNarration.db), 21.0);
  title.samples.resize(static_cast<size_t>(Frames(loop)) * 2);
  SetLoudness(title, {Measure::kPeak, kPeakCeilingDb});  // only ever lowers: keeps the ceiling
  return title;
}

const std::vector<Line> kIntroLines = {
    {"Press Escape at any time to skip this introduction.", 1.2},
    {"You wake in the dark, at the edge of the Quelmire: a fenced field of mud, dead grass "
     "and standing stones.",
     0.6},
    {"Eight pages lie hidden out there. Listen for the rustle of paper, and walk toward it.", 0.6},
    {"Something else walks the field with you. You will hear it as static. "
     "Every page you take makes it bolder. Do not let it reach you.",
     1.2},
    {"The controls.", 0.5},
    {"W, A, S and D walk.", 0.4},
    {"The arrow keys turn.", 0.4},
    {"Left Shift runs.", 0.4},
    {"Space takes a page.", 0.4},
    {"Left Control plays the compass.", 0.4},
    {"C tells your coordinates.", 0.4},
    {"T jumps into the tunnel.", 0.4},
    {"Escape quits.", 0.4},
    {"Page Up and Page Down turn the whole game up and down.", 0.4},
    {"H switches headphones on and off.", 0.6},
    {"With a mouse, moving it turns you, the left button takes a page, "
     "and the right button plays the compass.",
     1.0},
    {"Escape skips this introduction. Good luck.", 0.0},
};

// Spoken lines over a quiet drone that fades in before the voice and out after it.
std::optional<Sound> OverDrone(const std::vector<Line>& lines, double lead, double trail,
                               uint64_t seed) {
  std::optional<Mono> voice = SpeakLines(lines, kNarrator);
  if (!voice) return std::nullopt;
  const double total = lead + static_cast<double>(voice->size()) / kRate + trail;
  Rng rng(seed);
  Mono left = Drone(Note(-31), total, 0.2, 300.0), right = Drone(Note(-31), total, 0.27, 300.0);
  MixInto(left, Filter(PinkNoise(total, rng), FilterKind::kLowPass, 400.0), 0, 0.3);
  MixInto(right, Filter(PinkNoise(total, rng), FilterKind::kLowPass, 400.0), 0, 0.3);
  Sound bed = MakeStereo(left, right);
  SetLoudness(bed, {Measure::kRms, role::kNarration.db - kVoiceOverMusicDb - 4.0});
  MixSound(bed, VoiceInRoom(*voice, role::kNarration.db), lead);
  bed.samples.resize(static_cast<size_t>(Frames(total)) * 2);
  return FinishOneShot(bed, role::kNarration, lead * 0.8, trail * 0.8);
}

std::optional<Sound> Intro() {
  return OverDrone(kIntroLines, 1.5, 2.5, 10100);
}

const std::vector<Line> kOutroLines = {
    {"The eighth page.", 1.0},
    {"The static falls silent. The thing that walked beside you sinks back into the mud, "
     "and the mist lifts from the Quelmire.",
     0.8},
    {"Dawn finds you at the fence, shaking, but alive, with all eight pages in your hands.", 1.2},
    {"Vorlent. The Quelmire.", 0.8},
    {"Thank you for playing.", 0.0},
};

// The ending: the minor cycle once, then a long D major chord under the last lines.
std::optional<Sound> Outro() {
  std::optional<Mono> voice = SpeakLines(kOutroLines, kNarrator);
  if (!voice) return std::nullopt;
  const double lead = 4.0, trail = 6.0;
  const double total = lead + static_cast<double>(voice->size()) / kRate + trail;
  Rng rng(10200);
  const double chordSeconds = 5.0;
  Sound music = ChordCycle(kMinorCycle, chordSeconds, 4 * chordSeconds, 1100.0, rng);
  std::vector<double> major = {Note(-31), Note(-19), Note(-15), Note(-12), Note(-7)};  // D F# A D
  MixSound(music, Pad(major, total - 4 * chordSeconds + 1.0, 1.5, trail, 1300.0, rng),
           4 * chordSeconds - 1.0, 0.3);
  MixSound(music, PanToStereo(Bell(Note(-19), 7.0), 0.2), 4 * chordSeconds - 1.0, 0.2);
  SetLoudness(music, {Measure::kRms, role::kNarration.db - kVoiceOverMusicDb});
  MixSound(music, VoiceInRoom(*voice, role::kNarration.db), lead);
  music.samples.resize(static_cast<size_t>(Frames(total)) * 2);
  return FinishOneShot(music, role::kNarration, 0.5, trail * 0.8);
}

}  // namespace

void AddNarration(Catalogue& catalogue) {
  catalogue.push_back({"assets/title.wav", Title, Encoding::kVorbis});
  catalogue.push_back({"assets/intro.wav", Intro, Encoding::kVorbis});
  catalogue.push_back({"assets/outro.wav", Outro, Encoding::kVorbis});
}

}  // namespace assetgen
