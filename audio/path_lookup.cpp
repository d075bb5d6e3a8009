#include "audio/path_lookup.h"

#include <filesystem>
#include <system_error>

#include "runtime/utf8_path.h"

namespace fs = std::filesystem;

namespace {

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The entry of `folder` named like `name` ignoring case; the smallest such name so
// that two entries differing only in case resolve the same way every time.
std::string FindEntryIgnoringCase(const fs::path& folder, const std::string& name) {
  std::error_code error;
  std::string best;
  fs::directory_iterator entries(folder, error);
  if (error) return best;
  for (const fs::directory_entry& entry : entries) {
    std::string candidate = Utf8FromPath(entry.path().filename());
    if (EqualIgnoringAsciiCase(candidate, name) && (best.empty() || candidate < best)) {
      best = candidate;
    }
  }
  return best;
}

}  // namespace

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string FindPathIgnoringCase(const std::string& path) {
  std::error_code error;
  if (path.empty()) return {};
  fs::path written = PathFromUtf8(path);
  if (fs::exists(written, error)) return path;

  fs::path resolved = written.root_path();  // "/" for an absolute path, empty otherwise
  for (const fs::path& part : written.relative_path()) {
    std::string name = Utf8FromPath(part);
    if (name.empty()) continue;  // a trailing separator
    fs::path next = resolved.empty() ? part : resolved / part;
    if (name == "." || name == ".." || fs::exists(next, error)) {
      resolved = next;
      continue;
    }
    std::string match = FindEntryIgnoringCase(resolved.empty() ? fs::path(".") : resolved, name);
    if (match.empty()) return {};
    resolved = resolved.empty() ? PathFromUtf8(match) : resolved / PathFromUtf8(match);
  }
  return Utf8FromPath(resolved);
}
