#include "tools/sim/asset_folder.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include "audio/path_lookup.h"

namespace fs = std::filesystem;

namespace {

// A new, empty folder under the system's temporary folder; empty when none could be
// made. Created rather than only looked for, so no other process can have it too.
fs::path MakeTempFolder() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) return {};
  std::random_device entropy;
  for (int tries = 0; tries < 100; ++tries) {
    fs::path candidate = base / ("quelmire-sim-" + std::to_string(entropy()));
    if (fs::create_directory(candidate, error)) return candidate;
  }
  return {};
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  return error ? path : absolute.string();
}

AssetFolder EnterAssetFolder(const std::string& path) {
  AssetFolder result;
  std::string given = path.empty() ? FindPathIgnoringCase("assets") : path;
  std::error_code error;
  if (given.empty() || !fs::is_directory(given, error)) {
    result.error = path.empty() ? "no assets/ folder here (run from the folder that holds it, "
                                  "or give --assets DIR)"
                                : "no asset folder '" + path + "'";
    return result;
  }
  fs::path folder = fs::absolute(given, error).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();  // a trailing slash
  fs::path workDir = folder.parent_path();
  if (!EqualIgnoringAsciiCase(folder.filename().string(), "assets")) {
    const fs::path made = MakeTempFolder();
    if (made.empty()) {
      result.error = "cannot make a folder for the asset link in the temporary folder";
      return result;
    }
    workDir = made;
    result.linkDir = made.string();
    fs::create_directory_symlink(folder, workDir / "assets", error);
  }
  if (!error) fs::current_path(workDir, error);
  if (error) {
    result.error = "cannot use the asset folder '" + folder.string() + "': " + error.message();
    LeaveAssetFolder(result);
  }
  return result;
}

void LeaveAssetFolder(const AssetFolder& folder) {
  if (folder.linkDir.empty()) return;
  std::error_code error;
  fs::remove(fs::path(folder.linkDir) / "assets", error);
  fs::remove(folder.linkDir, error);
}
