#include "runtime/shown_text.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kCut = "...";

// Bytes of the UTF-8 character starting at `at`, or 0 when none starts there (a stray
// continuation byte, an overlong form, a surrogate, past U+10FFFF, a cut sequence).
size_t Utf8CharBytes(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(at);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || lead == 0xC0 || lead == 0xC1) return 0;
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  uint8_t second = byte(at + 1);
  if (lead == 0xE0 && second < 0xA0) return 0;   // overlong
  if (lead == 0xED && second >= 0xA0) return 0;  // a surrogate
  if (lead == 0xF0 && second < 0x90) return 0;   // overlong
  if (lead == 0xF4 && second >= 0x90) return 0;  // past U+10FFFF
  return length;
}

std::string ByteEscape(uint8_t value) {
  static constexpr char kHex[] = "0123456789abcdef";
  return std::string{'\\', 'x', kHex[value >> 4], kHex[value & 0xF]};
}

// The character starting at `at` as it is shown (as it is, or escaped), and how many
// bytes of `text` it takes.
struct Piece {
  std::string shown;
  size_t bytes;
};

Piece ShownPiece(std::string_view text, size_t at) {
  const auto lead = static_cast<uint8_t>(text[at]);
  size_t length = Utf8CharBytes(text, at);
  if (length == 0) return {ByteEscape(lead), 1};
  if (lead < 0x20 || lead == 0x7F) return {ByteEscape(lead), 1};
  if (length == 2 && lead == 0xC2 && static_cast<uint8_t>(text[at + 1]) < 0xA0) {  // C1
    return {ByteEscape(lead) + ByteEscape(static_cast<uint8_t>(text[at + 1])), 2};
  }
  if (lead == '\\') return {"\\\\", 1};
  return {std::string(text.substr(at, length)), length};
}

// The text cut into the pieces that are shown whole.
std::vector<std::string> ShownPieces(std::string_view text) {
  std::vector<std::string> pieces;
  for (size_t at = 0; at < text.size();) {
    Piece piece = ShownPiece(text, at);
    pieces.push_back(std::move(piece.shown));
    at += piece.bytes;
  }
  return pieces;
}

}  // namespace

std::string ShownText(std::string_view text, size_t limit) {
  std::vector<std::string> pieces = ShownPieces(text);
  size_t total = 0;
  for (const std::string& piece : pieces) total += piece.size();
  std::string shown;
  if (total <= limit) {
    for (const std::string& piece : pieces) shown += piece;
    return shown;
  }
  // Half of what is left beside the cut mark for each end.
  const size_t room = limit > kCut.size() ? limit - kCut.size() : 0;
  size_t head = 0, headBytes = 0;
  while (head < pieces.size() && headBytes + pieces[head].size() <= room / 2) {
    headBytes += pieces[head++].size();
  }
  size_t tail = pieces.size(), tailBytes = 0;
  while (tail > head && tailBytes + pieces[tail - 1].size() <= room - headBytes) {
    tailBytes += pieces[--tail].size();
  }
  for (size_t i = 0; i < head; ++i) shown += pieces[i];
  shown += kCut;
  for (size_t i = tail; i < pieces.size(); ++i) shown += pieces[i];
  return shown;
}

std::string QuotedExcerpt(std::string_view text) {
  std::string quoted = "'";
  size_t at = 0;
  while (at < text.size() && at < kMaxQuotedBytes) {
    Piece piece = ShownPiece(text, at);
    quoted += piece.shown == "'" ? "\\'" : piece.shown;
    at += piece.bytes;
  }
  quoted += '\'';
  if (at < text.size()) quoted += "... (" + std::to_string(text.size()) + " bytes)";
  return quoted;
}
