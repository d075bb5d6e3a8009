#include "platform/config_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "runtime/regular_file.h"
#include "runtime/utf8_path.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// The variable as UTF-8 (the narrow getenv would give it in the local code page).
std::string Variable(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value != nullptr ? Utf8FromPath(fs::path(value)) : std::string();
}

FILE* OpenFile(const std::string& path, const wchar_t* mode) {
  return _wfopen(PathFromUtf8(path).c_str(), mode);
}

bool FlushToDisk(FILE* file) {
  return _commit(_fileno(file)) == 0;
}

// Over an existing file too, and not before the data is on the disk.
bool RenameOver(const std::string& from, const std::string& to, std::string& why) {
  if (MoveFileExW(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  why = std::system_category().message(static_cast<int>(GetLastError()));
  return false;
}
#else
std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool FlushToDisk(FILE* file) {
  return fsync(fileno(file)) == 0;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& why) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  why = std::strerror(errno);
  return false;
}
#endif

#ifdef _WIN32
constexpr const wchar_t* kWriteMode = L"wb";
#else
constexpr const char* kWriteMode = "wb";
#endif

// Writes `text` to a new file at `path`, flushed to the disk.
bool WriteWhole(const std::string& path, const std::string& text, std::string& why) {
  FILE* file = OpenFile(path, kWriteMode);
  if (file == nullptr) {
    why = std::strerror(errno);
    return false;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
                 std::fflush(file) == 0 && FlushToDisk(file);
  if (!written) why = std::strerror(errno);
  if (std::fclose(file) != 0 && written) {
    why = std::strerror(errno);
    written = false;
  }
  // What was begun goes; whatever was there when it could not be opened stays.
  std::error_code ignored;
  if (!written) fs::remove(PathFromUtf8(path), ignored);
  return written;
}

}  // namespace

std::string PlayerSettingsPath(std::string& why) {
#ifdef _WIN32
  const std::string appData = Variable(L"APPDATA");
  if (appData.empty()) {
    why = "APPDATA is not set";
    return {};
  }
  return Utf8FromPath(PathFromUtf8(appData) / "Quelmire" / "settings.ini");
#else
  // A relative XDG_CONFIG_HOME is to be ignored, as if unset.
  std::string folder = Variable("XDG_CONFIG_HOME");
  if (folder.empty() || folder.front() != '/') {
    const std::string home = Variable("HOME");
    if (home.empty()) {
      why = "neither XDG_CONFIG_HOME nor HOME is set";
      return {};
    }
    folder = home + "/.config";
  }
  return folder + "/quelmire/settings.ini";
#endif
}

ReadResult ReadConfigFile(const std::string& path, size_t limit, std::string& text,
                          std::string& why) {
  switch (ReadRegularFile(path, limit, text, why)) {
    case FileOpening::kOpen:
      return ReadResult::kRead;
    case FileOpening::kMissing:
      why.clear();
      return ReadResult::kMissing;
    case FileOpening::kTooLarge:
      why = "longer than " + std::to_string(limit) + " bytes";
      break;
    case FileOpening::kRefused:
      break;
  }
  text.clear();
  return ReadResult::kFailed;
}

std::string ReplacementPath(const std::string& path) {
  return path + ".new";
}

bool ReplaceConfigFile(const std::string& path, const std::string& text, std::string& why) {
  std::error_code error;
  const fs::path folder = PathFromUtf8(path).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, error)) {
    fs::create_directories(folder, error);
    if (error) {
      why = "cannot make its folder: " + error.message();
      return false;
    }
  }
  const std::string replacement = ReplacementPath(path);
  std::string reason;
  if (!WriteWhole(replacement, text, reason)) {
    why = "cannot write " + replacement + ": " + reason;
    return false;
  }
  if (!RenameOver(replacement, path, reason)) {
    why = "cannot put " + replacement + " in its place: " + reason;
    return false;
  }
  return true;
}
