// quelmire-assetgen OUTDIR [FILTER]: synthesises the game's whole sound asset tree into
// OUTDIR/assets/. With FILTER, only the files whose path contains it (for quick work on
// one sound). A full run also removes .wav files under OUTDIR/assets that no recipe
// makes any more (left from a renamed sound), so the tree is exactly the catalogue.
// Exits 0 when every file was written, 1 otherwise.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/vorbis_writer.h"
#include "tools/assetgen/wav_writer.h"

namespace {

int RemoveStaleFiles(const std::filesystem::path& outDir, const std::set<std::string>& made) {
  std::error_code error;
  std::set<std::filesystem::path> stale;
  for (std::filesystem::recursive_directory_iterator it(outDir / "assets", error), end;
       !error && it != end; it.increment(error)) {
    std::string relative = std::filesystem::relative(it->path(), outDir, error).generic_string();
    if (it->is_regular_file() && it->path().extension() == ".wav" && made.count(relative) == 0) {
      stale.insert(it->path());
    }
  }
  for (const auto& path : stale) std::filesystem::remove(path, error);
  return static_cast<int>(stale.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: quelmire-assetgen OUTDIR [FILTER]\n");
    return 2;
  }
  const std::string outDir = argv[1];
  const std::string filter = argc == 3 ? argv[2] : "";
  int written = 0, failed = 0;
  std::set<std::string> made;
  for (const assetgen::Asset& asset : assetgen::FullCatalogue()) {
    made.insert(asset.path);
    if (!filter.empty() && asset.path.find(filter) == std::string::npos) continue;
    std::optional<assetgen::Sound> sound = asset.make();
    const bool vorbis = asset.encoding == assetgen::Encoding::kVorbis;
    if (!sound || !assetgen::WriteFileBytes(
                      outDir + "/" + asset.path,
                      vorbis ? assetgen::EncodeVorbis(*sound) : assetgen::EncodeWav(*sound))) {
      std::fprintf(stderr, "quelmire-assetgen: could not make %s\n", asset.path.c_str());
      ++failed;
      continue;
    }
    ++written;
  }
  int removed = filter.empty() ? RemoveStaleFiles(outDir, made) : 0;
  std::printf("quelmire-assetgen: %d files written to %s/assets, %d failed, %d stale removed\n",
              written, outDir.c_str(), failed, removed);
  return failed == 0 ? 0 : 1;
}
