// quelmire-loudest: how loud the loudest plausible moment of the game is in the mix, and
// how much of it the final clip takes. The game's own sound files are loaded and played by
// the engine on the headless host's offline output at 48 kHz: every long-lived layer at the
// top of its range (the ambience bed at 50, the four atmosphere layers, both static layers
// and the stalker's sound at 100, breathing at 90), then a burst of cues at full volume,
// everything centred. The sum of the voices is the sum of each sound rendered alone
// through the same path (each stays within full scale, and the mix is a plain sum until
// the limiter at its end); the mixed run itself shows what the limiter and the clip did.
//
//   quelmire-loudest [ASSET_FOLDER]   (default: run/assets under the current folder)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/ogg_decoder.h"
#include "audio/sound.h"
#include "host/audio/offline_audio_output.h"

namespace {

constexpr int32_t kRate = 48000;
constexpr uint32_t kSceneMs = 4000;

struct Layer {
  const char* path;  // under the asset folder
  int32_t volume;    // 0 .. 100
  bool looped;
  uint32_t startMs;    // from the start of the scene
  bool sting = false;  // the two loudest one-shots, measured with and without
};

const std::vector<Layer> kScene = {
    {"ambience/amb.wav", 50, true, 0},
    {"atmosphere/n1.wav", 100, true, 0},
    {"atmosphere/n3.wav", 100, true, 0},
    {"atmosphere/n5.wav", 100, true, 0},
    {"atmosphere/n7.wav", 100, true, 0},
    {"static/static1.wav", 100, true, 0},
    {"static/static3.wav", 100, true, 0},
    {"static/static2.wav", 100, true, 0},
    {"player/breath.wav", 90, true, 0},
    // The burst: the stalker appears close while the player runs into an obstacle,
    // checks the compass and takes a page.
    {"vorlent/appearClose.wav", 100, false, 500, true},
    {"ambience/amb4.wav", 100, false, 500},
    {"terrain/grass1.wav", 100, false, 500},
    {"physics/hit_wood.wav", 100, false, 520},
    {"player/compass.wav", 100, false, 540},
    {"physics/note.wav", 100, false, 560},
    {"physics/note_take.wav", 100, false, 600},
    {"pages/page7.wav", 100, false, 650},
    {"player/death.wav", 100, false, 700, true},
};

// Renders the layers chosen by `only` (all when negative; the stings too when `stings`)
// through the engine; interleaved stereo, kSceneMs long. Empty when a file does not load.
std::vector<float> Render(const std::string& folder, int32_t only, bool stings) {
  OfflineAudioOutput output(kRate);
  InstallAudioOutput(&output);
  std::vector<float> heard;
  if (SoundInit() == 0) return heard;
  SoundUseOggDecoder();  // the long beds are Ogg Vorbis, as the game registers it
  std::vector<int32_t> order;
  for (size_t i = 0; i < kScene.size(); ++i) {
    if (only >= 0 && static_cast<int32_t>(i) != only) continue;
    if (kScene[i].sting && !stings) continue;
    if (SoundLoad(static_cast<int32_t>(i) + 1, folder + "/" + kScene[i].path) == 0) {
      std::fprintf(stderr, "cannot load %s/%s\n", folder.c_str(), kScene[i].path);
      SoundShutdown();
      return heard;
    }
    order.push_back(static_cast<int32_t>(i));
  }
  std::stable_sort(order.begin(), order.end(),
                   [](int32_t a, int32_t b) { return kScene[a].startMs < kScene[b].startMs; });
  uint32_t now = 0;
  for (int32_t i : order) {
    output.Advance(kScene[i].startMs - now);
    now = kScene[i].startMs;
    SoundPlay(i + 1, kScene[i].looped ? 1 : 0, kScene[i].volume);
  }
  output.Advance(kSceneMs - now);
  heard = output.Samples();
  SoundShutdown();
  InstallAudioOutput(nullptr);
  return heard;
}

double Decibels(double amplitude) {
  return 20.0 * std::log10(std::max(amplitude, 1e-12));
}

// The loudest 50 ms block's RMS over both channels.
double LoudestBlockRms(const std::vector<double>& mix) {
  const size_t block = 2 * kRate / 20;
  double loudest = 0.0;
  for (size_t from = 0; from + block <= mix.size(); from += block) {
    double sum = 0.0;
    for (size_t i = from; i < from + block; ++i) sum += mix[i] * mix[i];
    loudest = std::max(loudest, std::sqrt(sum / static_cast<double>(block)));
  }
  return loudest;
}

// Measures the scene with or without the stings; false when a file does not load.
bool Measure(const std::string& folder, bool stings) {
  std::vector<double> sum;
  for (size_t i = 0; i < kScene.size(); ++i) {
    if (kScene[i].sting && !stings) continue;
    const std::vector<float> alone = Render(folder, static_cast<int32_t>(i), stings);
    if (alone.empty()) return false;
    sum.resize(alone.size());
    for (size_t s = 0; s < alone.size(); ++s) sum[s] += alone[s];
  }
  const std::vector<float> mixed = Render(folder, -1, stings);
  if (mixed.size() != sum.size()) return false;

  double peak = 0.0, heardPeak = 0.0;
  size_t over = 0, atFullScale = 0;
  std::vector<double> heard(mixed.begin(), mixed.end());
  for (size_t s = 0; s < sum.size(); ++s) {
    peak = std::max(peak, std::abs(sum[s]));
    heardPeak = std::max(heardPeak, std::abs(heard[s]));
    over += std::abs(sum[s]) > 1.0;
    atFullScale += std::abs(mixed[s]) >= 1.0f;
  }
  std::printf("%s the stings, %u ms at %d Hz:\n", stings ? "with" : "without", kSceneMs, kRate);
  std::printf(
      "  sum of the voices: peak %.2f dBFS, loudest 50 ms RMS %.2f dBFS, %zu of %zu "
      "samples over full scale (%.3f %%)\n",
      Decibels(peak), Decibels(LoudestBlockRms(sum)), over, sum.size(),
      100.0 * static_cast<double>(over) / static_cast<double>(sum.size()));
  std::printf(
      "  heard (limiter, then clip): peak %.2f dBFS, loudest 50 ms RMS %.2f dBFS, %zu "
      "samples at full scale\n",
      Decibels(heardPeak), Decibels(LoudestBlockRms(heard)), atFullScale);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "run/assets";
  return Measure(folder, true) && Measure(folder, false) ? 0 : 1;
}
