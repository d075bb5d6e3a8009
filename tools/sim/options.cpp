#include "tools/sim/options.h"

#include <charconv>
#include <functional>
#include <map>

#include "host/headless/input_script.h"
#include "runtime/shown_text.h"
#include "tools/sim/pcm16_wav.h"

namespace {

// A whole number in base 10, or 16 after "0x"; a leading minus when `allowMinus`.
// None when anything else is there, or beyond 2^63 - 1 in magnitude.
std::optional<int64_t> ParseWhole(const std::string& text, bool allowMinus) {
  std::string_view rest = text;
  bool negative = false;
  if (allowMinus && !rest.empty() && rest.front() == '-') {
    negative = true;
    rest.remove_prefix(1);
  }
  int base = 10;
  if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest.remove_prefix(2);
  }
  if (rest.empty() || rest.front() == '-' || rest.front() == '+') return std::nullopt;
  int64_t value = 0;
  auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value, base);
  if (error != std::errc() || end != rest.data() + rest.size()) return std::nullopt;
  return negative ? -value : value;
}

using Setter = std::function<std::string(SimOptions&, const std::string&)>;

std::string SetLimit(SimOptions& o, const std::string& value) {
  std::optional<int64_t> ms = ParseWhole(value, false);
  if (!ms || *ms < 1 || static_cast<uint64_t>(*ms) > kMaxScriptTimeMs) {
    return "--ms wants a whole number of milliseconds, 1 .. 1000000000000 (about 31 years), "
           "not " +
           QuotedExcerpt(value);
  }
  o.limitMs = static_cast<uint64_t>(*ms);
  return "";
}

std::string SetRate(SimOptions& o, const std::string& value) {
  std::optional<int64_t> rate = ParseWhole(value, false);
  if (!rate || *rate < 8000 || *rate > 192000) {
    return "--rate wants 8000 .. 192000 frames a second, not " + QuotedExcerpt(value);
  }
  o.rate = static_cast<int32_t>(*rate);
  return "";
}

std::string SetSeed(SimOptions& o, const std::string& value) {
  o.seed = ParseSeed(value);
  if (!o.seed) {
    return "--seed wants a 32-bit whole number (decimal or 0x hex), not " + QuotedExcerpt(value);
  }
  return "";
}

// What the options cannot do together, or cannot write right; empty when nothing.
std::string CheckTogether(const SimOptions& o) {
  if (o.live && o.worldOnly) return "--live plays; --world does not";
  if (!o.live && !o.recordPath.empty()) return "--record records a live run: it wants --live";
  if (!o.wavPath.empty() && o.limitMs > WavMaxMs(o.rate)) {
    return "--wav holds at most " + std::to_string(WavMaxMs(o.rate)) + " ms at " +
           std::to_string(o.rate) +
           " frames a second (a WAV file says its size in 32 bits), "
           "not --ms " +
           std::to_string(o.limitMs);
  }
  if (o.live && o.limitMs > UINT32_MAX) {
    return "--live counts ms in 32 bits: --ms 4294967295 at most, not " + std::to_string(o.limitMs);
  }
  return "";
}

// Options that take a value, and what they do with it.
const std::map<std::string, Setter>& ValueOptions() {
  static const std::map<std::string, Setter> options = {
      {"--seed", SetSeed},
      {"--ms", SetLimit},
      {"--rate", SetRate},
      {"--script", [](SimOptions& o, const std::string& v) { return o.scriptPath = v, ""; }},
      {"--trace", [](SimOptions& o, const std::string& v) { return o.tracePath = v, ""; }},
      {"--wav", [](SimOptions& o, const std::string& v) { return o.wavPath = v, ""; }},
      {"--map", [](SimOptions& o, const std::string& v) { return o.mapPath = v, ""; }},
      {"--assets", [](SimOptions& o, const std::string& v) { return o.assetsPath = v, ""; }},
      {"--record", [](SimOptions& o, const std::string& v) { return o.recordPath = v, ""; }},
      {"--settings", [](SimOptions& o, const std::string& v) { return o.settingsPath = v, ""; }},
  };
  return options;
}

bool SetFlag(SimOptions& o, const std::string& arg) {
  if (arg == "--quick-start") return o.quickStart = true;
  if (arg == "--world") return o.worldOnly = true;
  if (arg == "--rules") return o.rulesOnly = true;
  if (arg == "--ring") return o.ringOnly = true;
  if (arg == "--trace-ticks") return o.traceTicks = true;
  if (arg == "--live") return o.live = true;
  if (arg == "--binaural") return o.binaural = true;
  if (arg == "--help" || arg == "-h") return o.help = true;
  return false;
}

}  // namespace

std::optional<int32_t> ParseSeed(const std::string& text) {
  std::optional<int64_t> value = ParseWhole(text, true);
  if (!value || *value < INT32_MIN || *value > int64_t{UINT32_MAX}) return std::nullopt;
  return static_cast<int32_t>(static_cast<uint32_t>(*value));
}

ParsedOptions ParseSimOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (SetFlag(parsed.options, arg)) continue;
    auto option = ValueOptions().find(arg);
    if (option == ValueOptions().end()) {
      parsed.error = "unknown option " + QuotedExcerpt(arg) + " (see --help)";
      return parsed;
    }
    if (i + 1 == args.size()) {
      parsed.error = arg + " wants a value";
      return parsed;
    }
    std::string error = option->second(parsed.options, args[++i]);
    if (error.empty() && args[i].empty()) error = arg + " wants a value";
    if (!error.empty()) {
      parsed.error = error;
      return parsed;
    }
  }
  parsed.error = CheckTogether(parsed.options);
  return parsed;
}

std::string SimUsage() {
  return "usage: quelmire-sim [options]\n"
         "  --seed N         seed the generator with N (decimal or 0x hex) before anything draws\n"
         "  --script FILE    the input script (see host/headless/input_script.h)\n"
         "  --quick-start    press Space, then Escape, so that play begins after the intro\n"
         "  --ms N           stop after N virtual ms since the start, unless the game ends\n"
         "  --world          print the world of the seed as one JSON line and exit\n"
         "  --rules          print the game's rules (speeds, stamina, reach ...) as one JSON\n"
         "                   line and exit\n"
         "  --ring           print the headphones' filters at --rate as the game hears through\n"
         "                   them (the set as --binaural reads it), as one JSON line, and exit\n"
         "  --trace FILE     JSON lines: cues, pages, the stalker, the end ...\n"
         "  --trace-ticks    also a line for every tick (needs --trace)\n"
         "  --wav FILE       the whole mix as 16-bit stereo WAV\n"
         "  --map FILE.svg   a picture of the world, the player's and the stalker's paths\n"
         "  --assets DIR     the sound files' folder (default: the game's: assets/ here,\n"
         "                   beside the program, or in ../share/games/quelmire/ or\n"
         "                   ../../../share/games/quelmire/ from it)\n"
         "  --rate N         output frames per second, 8000 .. 192000 (default 48000)\n"
         "  --live           a client drives the run through stdin and stdout, step by step\n"
         "                   in virtual time (binary frames: tools/sim/LIVE.md)\n"
         "  --record FILE    live: the input received, as a script that replays the run\n"
         "  --binaural       headphones: positioned sounds through head-related filters\n"
         "                   (also QUELMIRE_BINAURAL=1; the set: QUELMIRE_HRTF, else the "
         "system's)\n"
         "  --settings FILE  start from this settings file (volume, headphones), as the game\n"
         "                   does from the player's; it is read, never written\n"
         "Exit status: the game's own when it ends (0; 1 when it could not start), 0 at the\n"
         "--ms limit or a live client's stop; 1 when an output could not be written whole;\n"
         "2 for a bad command line, script, asset folder or output path, or a set --ring\n"
         "cannot read (tools/sim/README.md).\n";
}
