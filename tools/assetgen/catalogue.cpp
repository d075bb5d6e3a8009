#include "tools/assetgen/catalogue.h"

namespace assetgen {

void AddSynthesised(Catalogue& catalogue, std::string path, std::function<Sound()> make,
                    Encoding encoding) {
  catalogue.push_back({std::move(path),
                       [make = std::move(make)] { return std::optional<Sound>(make()); },
                       encoding});
}

Catalogue FullCatalogue() {
  Catalogue catalogue;
  AddFootsteps(catalogue);
  AddKnocks(catalogue);
  AddCues(catalogue);
  AddPageVoices(catalogue);
  AddStings(catalogue);
  AddNightNoises(catalogue);
  AddBeds(catalogue);
  AddAtmosphere(catalogue);
  AddNarration(catalogue);
  AddSettingsSounds(catalogue);
  AddSettingsVoices(catalogue);
  return catalogue;
}

}  // namespace assetgen
