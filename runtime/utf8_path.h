// runtime/utf8_path.h - file names as the game holds them (UTF-8 in std::string) and as
// the file system takes them. On Linux both are the same bytes; on Windows a path is
// wide, and a std::string would be read in the local code page rather than as UTF-8,
// so every name crosses into std::filesystem through these two.
// Threads: any thread; no state.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}
