// host/headless/quoted_excerpt.h - user text (a word of a script, an option's value, a
// path) as it may appear in a one-line message on a terminal: in single quotes, at most
// a bounded number of bytes of it, with control bytes and invalid UTF-8 written as \xNN.
// Threads: any; no shared state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The longest excerpt of user text a message quotes, in bytes of the original.
inline constexpr size_t kMaxQuotedBytes = 160;

// `text` quoted: 'abc'. Bytes below 0x20, 0x7f, C1 controls, invalid UTF-8, the quote
// and the backslash are escaped (\xNN, \', \\); valid UTF-8 from U+00A0 up stays as
// it is. Text longer than kMaxQuotedBytes is cut at a character and followed by
// "... (N bytes)", so a message never carries more than a line's worth of it.
std::string QuotedExcerpt(std::string_view text);
