#include "audio/asset_search.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "audio/path_lookup.h"
#include "runtime/shown_text.h"
#include "runtime/utf8_path.h"

namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// `path` absolute and without "." or ".." parts or a trailing separator, as UTF-8.
std::string AbsoluteUtf8(const fs::path& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  absolute = absolute.lexically_normal();
  if (absolute.filename().empty()) absolute = absolute.parent_path();
  return Utf8FromPath(absolute);
}

// The folder named "assets" in any letter case inside `place`; empty when there is none.
std::string AssetFolderIn(const fs::path& place) {
  const std::string found = FindPathIgnoringCase(Utf8FromPath(place / "assets"));
  if (found.empty() || !IsFolder(PathFromUtf8(found))) return {};
  return AbsoluteUtf8(PathFromUtf8(found));
}

}  // namespace

bool HoldsAssetFolder(const std::string& folder) {
  return !AssetFolderIn(PathFromUtf8(folder)).empty();
}

AssetSearch FindAssetFolder(const std::string& given, const std::string& programFolder) {
  if (!given.empty()) {
    const fs::path folder = PathFromUtf8(given);
    if (IsFolder(folder)) return {AbsoluteUtf8(folder), ""};
    std::string error = kNoAssetFolder;
    error.insert(error.size() - 1, " " + QuotedExcerpt(given));  // before the full stop
    return {"", error};
  }
  std::vector<fs::path> places = {"."};
  if (!programFolder.empty()) {
    const fs::path program = PathFromUtf8(programFolder);
    places.push_back(program);
    places.push_back(program / ".." / "share" / "games" / "quelmire");
    places.push_back(program / ".." / ".." / ".." / "share" / "games" / "quelmire");
  }
  for (const fs::path& place : places) {
    std::string folder = AssetFolderIn(place);
    if (!folder.empty()) return {folder, ""};
  }
  return {"", kNoAssetFolder};
}
