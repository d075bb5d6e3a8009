// platform/config_file.h - small files the game keeps for the player between runs: where
// the system wants them, reading one whole, and replacing one so that it is never seen
// half-written (a new file is written beside it, flushed to the disk, and renamed over it).
// Threads: any thread; no shared state.
#pragma once

#include <string>

// The player's settings file: $XDG_CONFIG_HOME/quelmire/settings.ini (an absolute
// XDG_CONFIG_HOME, else ~/.config) on Linux, %APPDATA%\Quelmire\settings.ini on Windows.
// Empty, with the reason in `why`, when the system names no such folder.
std::string PlayerSettingsPath(std::string& why);

enum class ReadResult { kRead, kMissing, kFailed };

// Reads the file at `path` (UTF-8) whole into `text`, up to `limit` bytes. kMissing when
// there is no such file; kFailed, with the reason in `why`, when it cannot be read, is not
// a regular file or is longer than `limit`.
ReadResult ReadConfigFile(const std::string& path, size_t limit, std::string& text,
                          std::string& why);

// The file beside `path` that a replacement is written to first.
std::string ReplacementPath(const std::string& path);

// Replaces the file at `path` (UTF-8) with `text`, making its folder if needed. Whoever
// reads `path` at any moment, even after the process was killed or the power went, finds
// the old file or the new one, never a part of either. False, with the reason in `why`,
// when it could not; the old file is then as it was.
bool ReplaceConfigFile(const std::string& path, const std::string& text, std::string& why);
