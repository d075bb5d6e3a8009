#include "host/headless/quoted_excerpt.h"

#include <cstdint>

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` for a code point
// from U+00A0 up; 0 when there is none (an ASCII byte, a C1 control, a bad sequence).
size_t PrintableSequence(std::string_view text) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  const uint32_t smallest[] = {0, 0, 0xA0, 0x800, 0x10000};
  bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code < smallest[length] || surrogate || code > 0x10FFFF ? 0 : length;
}

}  // namespace

std::string QuotedExcerpt(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "'";
  size_t at = 0;
  while (at < text.size() && at < kMaxQuotedBytes) {
    auto c = static_cast<unsigned char>(text[at]);
    if (size_t length = PrintableSequence(text.substr(at)); length > 0) {
      out.append(text.substr(at, length));
      at += length;
      continue;
    }
    if (c == '\'' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
    ++at;
  }
  out += '\'';
  if (at < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}
