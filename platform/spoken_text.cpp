#include "platform/spoken_text.h"

#include <charconv>
#include <optional>

namespace {

constexpr std::string_view kCoordinatesCaption = "Coords";
constexpr std::string_view kSoundDeviceError = "Error initializing Sound Library";

// One number rounded to two decimals, without trailing zeros; nothing when `text` is
// not a plain decimal number in full.
std::optional<std::string> SpokenNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [parsed, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (error != std::errc() || parsed != end || text.empty()) return std::nullopt;
  char digits[64];
  auto [last, tooLong] =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
  if (tooLong != std::errc()) return std::nullopt;
  // Two decimals are always written, so the trimming stops at the point at the latest.
  std::string_view spoken(digits, static_cast<size_t>(last - digits));
  while (spoken.ends_with('0')) spoken.remove_suffix(1);
  if (spoken.ends_with('.')) spoken.remove_suffix(1);
  if (spoken == "-0") return std::string("0");
  return std::string(spoken);
}

}  // namespace

std::string SpokenCoordinates(std::string_view text) {
  size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::string(text);
  std::optional<std::string> x = SpokenNumber(text.substr(0, comma));
  std::optional<std::string> y = SpokenNumber(text.substr(comma + 1));
  if (!x || !y) return std::string(text);
  return *x + ", " + *y;
}

std::string SpokenBoxText(std::string_view caption, std::string_view text) {
  if (caption == kCoordinatesCaption) return SpokenCoordinates(text);
  if (text == kSoundDeviceError) return "";
  return std::string(text);
}
