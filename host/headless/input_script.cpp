#include "host/headless/input_script.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "runtime/shown_text.h"

namespace {

constexpr int64_t kMaxMove = 1'000'000;  // pixels or wheel steps per event

struct NamedKey {
  std::string_view name;
  int32_t code;
};

// Scan codes of the standard PC layout; keys with an extended prefix are 128 + base.
constexpr NamedKey kNamedKeys[] = {
    {"escape", 1},
    {"esc", 1},
    {"minus", 12},
    {"equals", 13},
    {"backspace", 14},
    {"tab", 15},
    {"leftbracket", 26},
    {"rightbracket", 27},
    {"enter", 28},
    {"return", 28},
    {"lctrl", 29},
    {"leftcontrol", 29},
    {"semicolon", 39},
    {"apostrophe", 40},
    {"grave", 41},
    {"lshift", 42},
    {"leftshift", 42},
    {"backslash", 43},
    {"comma", 51},
    {"period", 52},
    {"slash", 53},
    {"rshift", 54},
    {"rightshift", 54},
    {"lalt", 56},
    {"leftalt", 56},
    {"space", 57},
    {"capslock", 58},
    {"f1", 59},
    {"f2", 60},
    {"f3", 61},
    {"f4", 62},
    {"f5", 63},
    {"f6", 64},
    {"f7", 65},
    {"f8", 66},
    {"f9", 67},
    {"f10", 68},
    {"f11", 87},
    {"f12", 88},
    {"rctrl", 157},
    {"rightcontrol", 157},
    {"ralt", 184},
    {"rightalt", 184},
    {"home", 199},
    {"up", 200},
    {"pageup", 201},
    {"left", 203},
    {"right", 205},
    {"end", 207},
    {"down", 208},
    {"pagedown", 209},
    {"insert", 210},
    {"delete", 211},
    {"lcontrol", 29},
    {"rcontrol", 157},
    {"control", 29},
    {"ctrl", 29},
    {"shift", 42},
    {"alt", 56},
    {"digit1", 2},
    {"digit2", 3},
    {"digit3", 4},
    {"digit4", 5},
    {"digit5", 6},
    {"digit6", 7},
    {"digit7", 8},
    {"digit8", 9},
    {"digit9", 10},
    {"digit0", 11},
};

// Letter rows of the layout: Q..P from 16, A..L from 30, Z..M from 44.
constexpr std::string_view kLetterRows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
constexpr int32_t kLetterRowStart[] = {16, 30, 44};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A whole decimal number, optionally signed; nullopt for anything else.
std::optional<int64_t> Integer(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
    size_t start = at;
    while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at]))) ++at;
    if (at > start) words.push_back(line.substr(start, at - start));
  }
  return words;
}

int32_t ButtonByName(std::string_view name) {
  std::string lower = Lower(name);
  if (lower == "left" || lower == "1") return 1;
  if (lower == "right" || lower == "2") return 2;
  if (lower == "middle" || lower == "3") return 3;
  return 0;
}

// Reads one line's words into `event` (time already set); returns an error message,
// or an empty string when the line is good.
std::string ReadAction(const std::vector<std::string_view>& w, ScriptEvent& event) {
  using Kind = ScriptEvent::Kind;
  auto quoted = [](std::string_view s) { return QuotedExcerpt(s); };
  auto expect = [&](size_t count, std::string_view usage) -> std::string {
    return w.size() == count ? "" : "expected \"" + std::string(usage) + "\"";
  };
  std::string verb = Lower(w[1]);
  std::string what = w.size() > 2 ? Lower(w[2]) : "";

  if (verb == "key") {
    if (auto bad = expect(4, "key down|up <key>"); !bad.empty()) return bad;
    if (what != "down" && what != "up") return "key takes down or up, not " + quoted(w[2]);
    event.kind = what == "down" ? Kind::kKeyDown : Kind::kKeyUp;
    event.value = KeyCodeByName(w[3]);
    return event.value < 0 ? "unknown key " + quoted(w[3]) : "";
  }
  if (verb == "mouse") {
    if (what == "move") {
      if (w.size() != 4 && w.size() != 5) return "expected \"mouse move <dx> [<dy>]\"";
      auto dx = Integer(w[3]);
      auto dy = w.size() == 5 ? Integer(w[4]) : std::optional<int64_t>(0);
      if (!dx || !dy || *dx < -kMaxMove || *dx > kMaxMove || *dy < -kMaxMove || *dy > kMaxMove) {
        return "mouse movement must be whole numbers within -1000000..1000000";
      }
      event.kind = Kind::kMouseMove;
      event.value = static_cast<int32_t>(*dx);
      event.value2 = static_cast<int32_t>(*dy);
      return "";
    }
    if (what == "down" || what == "up") {
      if (auto bad = expect(4, "mouse down|up <button>"); !bad.empty()) return bad;
      event.kind = what == "down" ? Kind::kMouseDown : Kind::kMouseUp;
      event.value = ButtonByName(w[3]);
      return event.value == 0 ? "unknown mouse button " + quoted(w[3]) : "";
    }
    if (what == "wheel") {
      if (auto bad = expect(4, "mouse wheel <steps>"); !bad.empty()) return bad;
      auto steps = Integer(w[3]);
      if (!steps || *steps < -kMaxMove || *steps > kMaxMove)
        return "wheel steps must be a whole number within -1000000..1000000, not " + quoted(w[3]);
      event.kind = Kind::kMouseWheel;
      event.value = static_cast<int32_t>(*steps);
      return "";
    }
    return "mouse takes move, down, up or wheel";
  }
  if (verb == "focus") {
    if (auto bad = expect(3, "focus lost|back"); !bad.empty()) return bad;
    if (what != "lost" && what != "back") return "focus takes lost or back, not " + quoted(w[2]);
    event.kind = what == "lost" ? Kind::kFocusLost : Kind::kFocusBack;
    return "";
  }
  if (verb == "close") {
    event.kind = Kind::kCloseRequest;
    return expect(2, "close");
  }
  return "unknown event " + quoted(w[1]);
}

}  // namespace

std::string ScriptError::Text() const {
  if (line == 0) return message;
  return "line " + std::to_string(line) + ": " + message;
}

int32_t KeyCodeByName(std::string_view name) {
  if (!name.empty() && std::isdigit(static_cast<unsigned char>(name.front()))) {
    auto number = Integer(name);  // a number is always a scan code; digit keys are Digit0..9
    return number && *number <= 255 ? static_cast<int32_t>(*number) : -1;
  }
  std::string lower = Lower(name);
  if (lower.size() == 1) {
    for (size_t row = 0; row < std::size(kLetterRows); ++row) {
      size_t at = kLetterRows[row].find(lower[0]);
      if (at != std::string_view::npos) return kLetterRowStart[row] + static_cast<int32_t>(at);
    }
  }
  for (const NamedKey& key : kNamedKeys) {
    if (key.name == lower) return key.code;
  }
  return -1;
}

InputScript ParseInputScript(std::string_view text) {
  InputScript script;
  uint64_t previousMs = 0;
  int32_t lineNumber = 0;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    auto fail = [&](std::string message) {
      script.errors.push_back({lineNumber, std::move(message)});
    };
    const bool tooLong = line.size() > kMaxScriptLineBytes;
    std::vector<std::string_view> words;
    if (!tooLong) words = Words(line.substr(0, line.find('#')));
    if (!tooLong && words.empty()) continue;
    if (script.errors.size() >= kMaxScriptErrors) {
      script.errors.push_back({0, std::to_string(kMaxScriptErrors) +
                                      " wrong lines: the rest of the script was not read"});
      break;
    }
    if (tooLong) {
      fail("a line is at most " + std::to_string(kMaxScriptLineBytes) + " bytes, not " +
           std::to_string(line.size()));
      continue;
    }
    if (script.events.size() >= kMaxScriptEvents) {
      fail("a script holds at most " + std::to_string(kMaxScriptEvents) +
           " events: the rest was not read");
      break;
    }
    bool relative = words[0].front() == '+';
    std::optional<int64_t> time = Integer(words[0]);
    if (!time || *time < 0 || *time > static_cast<int64_t>(kMaxScriptTimeMs)) {
      fail("a line starts with a time in ms (0..10^12, or +N), not " + QuotedExcerpt(words[0]));
      continue;
    }
    uint64_t timeMs =
        relative ? previousMs + static_cast<uint64_t>(*time) : static_cast<uint64_t>(*time);
    if (timeMs > kMaxScriptTimeMs) {
      fail("the time runs past 10^12 ms");
      continue;
    }
    if (timeMs < previousMs) {
      fail("time " + std::to_string(timeMs) + " is before the previous event's " +
           std::to_string(previousMs));
      continue;
    }
    if (words.size() < 2) {
      fail("nothing happens at this time");
      continue;
    }
    ScriptEvent event;
    event.timeMs = timeMs;
    event.line = lineNumber;
    if (std::string error = ReadAction(words, event); !error.empty()) {
      fail(std::move(error));
      continue;
    }
    previousMs = timeMs;
    script.events.push_back(event);
  }
  return script;
}

size_t InsertByTime(std::vector<ScriptEvent>& events, size_t from, const ScriptEvent& event) {
  auto later = std::upper_bound(events.begin() + static_cast<std::ptrdiff_t>(from), events.end(),
                                event.timeMs,
                                [](uint64_t ms, const ScriptEvent& e) { return ms < e.timeMs; });
  return static_cast<size_t>(events.insert(later, event) - events.begin());
}

std::string ReadScriptFile(const std::string& path, std::string& text) {
  text.clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  auto fail = [&](const std::string& why) {
    return "cannot read the input script " + QuotedExcerpt(path) + ": " + why;
  };
  if (file == nullptr) return fail(std::strerror(errno));
  char chunk[1 << 16];
  size_t got = 0;
  // One byte past the limit tells a file at the limit from a longer one.
  while (text.size() <= kMaxScriptFileBytes &&
         (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    text.append(chunk, std::min(got, kMaxScriptFileBytes + 1 - text.size()));
  }
  std::string error = std::ferror(file) ? fail(std::strerror(errno)) : "";
  std::fclose(file);
  if (error.empty() && text.size() > kMaxScriptFileBytes) {
    error = "the input script " + QuotedExcerpt(path) + " is longer than " +
            std::to_string(kMaxScriptFileBytes >> 20) + " MiB";
  }
  if (!error.empty()) text.clear();
  return error;
}
