#include "tools/sim/asset_folder.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "audio/path_lookup.h"
#include "host/asset_home.h"
#include "runtime/shown_text.h"
#include "runtime/utf8_path.h"

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

// The private folder and its link, for a signal that ends the process: plain bytes, as
// a handler may only call what is safe in one (unlink, rmdir, signal, raise).
char signalLink[4096];
char signalDir[4096];
constexpr int kEndingSignals[] = {SIGINT, SIGTERM};

extern "C" void RemoveLinkAndEnd(int signal) {
  unlink(signalLink);
  rmdir(signalLink);  // where a link to a folder is itself a folder
  rmdir(signalDir);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// A run ended by Ctrl-C or a polite kill removes the folder too.
void RemoveOnEndingSignals(const fs::path& dir) {
  std::string link = (dir / "assets").string();
  if (link.size() >= sizeof signalLink) return;
  std::memcpy(signalLink, link.c_str(), link.size() + 1);
  std::memcpy(signalDir, dir.string().c_str(), dir.string().size() + 1);
  for (int signal : kEndingSignals) std::signal(signal, RemoveLinkAndEnd);
}

void KeepOnEndingSignals() {
  for (int signal : kEndingSignals) std::signal(signal, SIG_DFL);
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
  const AssetSearch found = FindProgramAssetFolder(path);
  if (!found.error.empty()) {
    result.error = found.error;
    return result;
  }
  const fs::path folder = PathFromUtf8(found.folder);
  fs::path workDir = folder.parent_path();
  std::error_code error;
  if (!EqualIgnoringAsciiCase(Utf8FromPath(folder.filename()), "assets")) {
    const fs::path made = MakeTempFolder();
    if (made.empty()) {
      result.error = "cannot make a folder for the asset link in the temporary folder";
      return result;
    }
    workDir = made;
    result.linkDir = made.string();
    RemoveOnEndingSignals(made);
    fs::create_directory_symlink(folder, workDir / "assets", error);
  }
  if (!error) fs::current_path(workDir, error);
  if (error) {
    result.error =
        "cannot use the asset folder " + QuotedExcerpt(found.folder) + ": " + error.message();
    LeaveAssetFolder(result);
  }
  return result;
}

void LeaveAssetFolder(const AssetFolder& folder) {
  if (folder.linkDir.empty()) return;
  KeepOnEndingSignals();
  std::error_code error;
  fs::remove(fs::path(folder.linkDir) / "assets", error);
  fs::remove(folder.linkDir, error);
}
