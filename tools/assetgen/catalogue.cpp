#include "tools/assetgen/catalogue.h"

namespace assetgen {

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
  return catalogue;
}

}  // namespace assetgen
