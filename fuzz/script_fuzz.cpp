// libFuzzer target: the input-script parser (host/headless/input_script.h), which reads
// scripts that come from players' bug reports. Besides crashes and sanitizer reports it
// traps when the events break the parser's promises (its limits, messages safe to print)
// or do not survive being written out as a script and read back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/headless/input_script.h"
#include "runtime/shown_text.h"
#include "tools/sim/run_script.h"

namespace {

bool SameEvents(const std::vector<ScriptEvent>& a, const std::vector<ScriptEvent>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    ScriptEvent x = a[i], y = b[i];
    x.line = y.line = 0;
    if (!(x == y)) return false;
  }
  return true;
}

// One line of bounded length without control bytes: what a message may put on a
// terminal, whatever the script held.
bool SafeOnATerminal(const std::string& text) {
  if (text.size() > 4 * kMaxQuotedBytes + 200) return false;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  InputScript script = ParseInputScript(text);
  uint64_t previous = 0;
  for (const ScriptEvent& e : script.events) {
    if (e.timeMs < previous || e.line < 1) __builtin_trap();
    previous = e.timeMs;
    bool key = e.kind == ScriptEvent::Kind::kKeyDown || e.kind == ScriptEvent::Kind::kKeyUp;
    if (key && (e.value < 0 || e.value > 255)) __builtin_trap();
  }
  if (script.events.size() > kMaxScriptEvents) __builtin_trap();
  if (script.errors.size() > kMaxScriptErrors + 1) __builtin_trap();
  for (size_t i = 0; i < script.errors.size(); ++i) {
    const ScriptError& error = script.errors[i];
    // Line 0 only for the last, when the parser stopped after too many wrong lines.
    bool stopped = i == kMaxScriptErrors && i + 1 == script.errors.size();
    if ((error.line < 1 && !stopped) || error.message.empty()) __builtin_trap();
    if (!SafeOnATerminal(error.Text())) __builtin_trap();
  }
  InputScript again = ParseInputScript(ScriptText(script.events));
  if (!again.errors.empty() || !SameEvents(script.events, again.events)) __builtin_trap();
  return 0;
}
