#include "host/asset_home.h"

#include <SDL2/SDL.h>

#include <filesystem>
#include <system_error>

#include "runtime/utf8_path.h"

namespace {

// The executable's folder (UTF-8), or empty when SDL cannot tell.
std::string ExecutableFolder() {
  char* base = SDL_GetBasePath();  // UTF-8, ends with a separator
  if (base == nullptr) return {};
  std::string folder = base;
  SDL_free(base);
  return folder;
}

}  // namespace

AssetSearch FindProgramAssetFolder(const std::string& given) {
  return FindAssetFolder(given, ExecutableFolder());
}

void EnterAssetHome() {
  const AssetSearch found = FindProgramAssetFolder("");
  if (found.folder.empty()) return;
  std::error_code error;
  std::filesystem::current_path(PathFromUtf8(found.folder).parent_path(), error);
}
