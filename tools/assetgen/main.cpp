// quelmire-assetgen OUTDIR [FILTER]: synthesises the game's whole sound asset tree into
// OUTDIR/assets/. With FILTER, only the files whose path contains it (for quick work on
// one sound). Exits 0 when every file was written, 1 otherwise.
#include <cstdio>
#include <string>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/wav_writer.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: quelmire-assetgen OUTDIR [FILTER]\n");
    return 2;
  }
  const std::string outDir = argv[1];
  const std::string filter = argc == 3 ? argv[2] : "";
  int written = 0, failed = 0;
  for (const assetgen::Asset& asset : assetgen::FullCatalogue()) {
    if (!filter.empty() && asset.path.find(filter) == std::string::npos) continue;
    std::optional<assetgen::Sound> sound = asset.make();
    if (!sound || !assetgen::WriteWav(outDir + "/" + asset.path, *sound)) {
      std::fprintf(stderr, "quelmire-assetgen: could not make %s\n", asset.path.c_str());
      ++failed;
      continue;
    }
    ++written;
  }
  std::printf("quelmire-assetgen: %d files written to %s/assets, %d failed\n", written,
              outDir.c_str(), failed);
  return failed == 0 ? 0 : 1;
}
