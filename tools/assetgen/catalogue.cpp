#include "tools/assetgen/catalogue.h"

namespace assetgen {

Catalogue FullCatalogue() {
  Catalogue catalogue;
  AddFootsteps(catalogue);
  AddKnocks(catalogue);
  AddCues(catalogue);
  AddPageVoices(catalogue);
  AddStings(catalogue);
  return catalogue;
}

}  // namespace assetgen
