#include "host/sdl/asset_home.h"

#include <SDL2/SDL.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "audio/path_lookup.h"
#include "runtime/utf8_path.h"

namespace fs = std::filesystem;

namespace {

// True when `folder` holds a folder named "assets" in any letter case.
bool HoldsAssetFolder(const fs::path& folder) {
  const std::string found = FindPathIgnoringCase(Utf8FromPath(folder / "assets"));
  std::error_code error;
  return !found.empty() && fs::is_directory(PathFromUtf8(found), error);
}

// The executable's folder, or empty when SDL cannot tell.
fs::path ExecutableFolder() {
  char* base = SDL_GetBasePath();  // UTF-8, ends with a separator
  if (base == nullptr) return {};
  fs::path folder = PathFromUtf8(base);
  SDL_free(base);
  return folder;
}

}  // namespace

void EnterAssetHome() {
  if (HoldsAssetFolder(".")) return;
  const fs::path exeDir = ExecutableFolder();
  if (exeDir.empty()) return;
  for (const fs::path& home : {exeDir, exeDir / ".." / "share" / "games" / "quelmire"}) {
    if (!HoldsAssetFolder(home)) continue;
    std::error_code error;
    fs::current_path(home, error);
    return;  // a folder that cannot be entered leaves the game's own check to speak
  }
}
