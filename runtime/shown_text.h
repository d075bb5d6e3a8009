// runtime/shown_text.h - outside text (a file name, a line of a file) made safe to put in
// a message on a terminal: bounded, and escaped where a byte could act on the terminal or
// is not UTF-8.
// Threads: any thread; no shared state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Longest text ShownText gives back, in bytes, unless asked otherwise.
inline constexpr size_t kShownTextBytes = 240;

// `text` as a message may show it. Printable ASCII and valid UTF-8 characters stay as
// they are; a backslash becomes "\\"; control characters (C0, DEL, C1), and every byte
// that is not part of valid UTF-8, become "\xNN" (one escape per byte; C1 characters
// as their two bytes). A result longer than `limit` bytes keeps its beginning and its end
// (where a path's file name is) around "...", never cutting a character or an escape.
std::string ShownText(std::string_view text, size_t limit = kShownTextBytes);

// The longest excerpt of user text a message quotes, in bytes of the original.
inline constexpr size_t kMaxQuotedBytes = 160;

// User text (a word of a script, an option's value, a path) quoted for a one-line
// message: 'abc', escaped as ShownText escapes, the quote too (\'). Text longer than
// kMaxQuotedBytes is cut at a character and followed by "... (N bytes)".
std::string QuotedExcerpt(std::string_view text);
