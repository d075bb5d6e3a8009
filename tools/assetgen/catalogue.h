// tools/assetgen/catalogue.h - every file of the asset tree and the recipe that makes
// it. Each family of sounds adds its own entries; main writes them all.
// Threads: built and used on one thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/assetgen/sound.h"

namespace assetgen {

// How a file's samples are stored. Every file keeps its ".wav" name: the game's loader
// chooses by the content. The long music, narration and beds are Ogg Vorbis so that the
// packages stay small; short cues stay WAV, since each is loaded afresh when played.
enum class Encoding { kWav, kVorbis };

struct Asset {
  std::string path;  // relative to the output folder, e.g. "assets/terrain/grass1.wav"
  // Makes the finished sound; empty when an outside program (espeak-ng) failed.
  std::function<std::optional<Sound>()> make;
  Encoding encoding = Encoding::kWav;
};

using Catalogue = std::vector<Asset>;

// Adds a recipe made by our own synthesis alone, which cannot fail.
void AddSynthesised(Catalogue& catalogue, std::string path, std::function<Sound()> make,
                    Encoding encoding = Encoding::kWav);

// One function per family, each in its own file.
void AddFootsteps(Catalogue& catalogue);       // footsteps.cpp: grass, tunnel, fence
void AddKnocks(Catalogue& catalogue);          // knocks.cpp: wood and stone
void AddCues(Catalogue& catalogue);            // cues.cpp: page hint and take, compass
void AddPageVoices(Catalogue& catalogue);      // page_voices.cpp: "Page one" .. "Page eight"
void AddStings(Catalogue& catalogue);          // stings.cpp: death, the stalker's arrival
void AddNightNoises(Catalogue& catalogue);     // night_noises.cpp: amb1 .. amb11
void AddBeds(Catalogue& catalogue);            // beds.cpp: ambience bed, breath, statics
void AddAtmosphere(Catalogue& catalogue);      // atmosphere.cpp: n1, n3, n5, n7
void AddNarration(Catalogue& catalogue);       // narration.cpp: title, intro, outro
void AddSettingsSounds(Catalogue& catalogue);  // settings_sounds.cpp: the volume keys' answers
void AddSettingsVoices(Catalogue& catalogue);  // settings_voices.cpp: "Headphones" and the like

Catalogue FullCatalogue();

}  // namespace assetgen
