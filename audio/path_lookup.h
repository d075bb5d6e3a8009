// audio/path_lookup.h - finding a sound file whose name differs only in letter case.
// The game names the same folder both "Assets/" and "assets/"; on a case-sensitive
// file system a path that does not exist as written is looked up again, one folder
// at a time, ignoring the case of ASCII letters (other UTF-8 bytes must match).
// Threads: any thread; reads the file system only.
#pragma once

#include <string>

// The path of an existing entry for `path` (UTF-8): `path` itself when it exists as
// written, otherwise the same path with each component replaced by the first entry
// (in byte order) of its folder that matches it ignoring case. Empty when none does.
std::string FindPathIgnoringCase(const std::string& path);

// True when `a` and `b` are equal once ASCII letters are folded to lower case.
bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b);
