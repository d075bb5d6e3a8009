#include "tools/sim/run_script.h"

#include <algorithm>

namespace {

ScriptEvent Key(uint64_t ms, ScriptEvent::Kind kind, int32_t code) {
  ScriptEvent event;
  event.timeMs = ms;
  event.kind = kind;
  event.value = code;
  return event;
}

std::string EventText(const ScriptEvent& e) {
  using Kind = ScriptEvent::Kind;
  std::string what;
  switch (e.kind) {
    case Kind::kKeyDown:
      what = "key down " + std::to_string(e.value);
      break;
    case Kind::kKeyUp:
      what = "key up " + std::to_string(e.value);
      break;
    case Kind::kMouseMove:
      what = "mouse move " + std::to_string(e.value) + " " + std::to_string(e.value2);
      break;
    case Kind::kMouseDown:
      what = "mouse down " + std::to_string(e.value);
      break;
    case Kind::kMouseUp:
      what = "mouse up " + std::to_string(e.value);
      break;
    case Kind::kMouseWheel:
      what = "mouse wheel " + std::to_string(e.value);
      break;
    case Kind::kFocusLost:
      what = "focus lost";
      break;
    case Kind::kFocusBack:
      what = "focus back";
      break;
    case Kind::kCloseRequest:
      what = "close";
      break;
  }
  return std::to_string(e.timeMs) + " " + what;
}

}  // namespace

std::vector<ScriptEvent> QuickStartEvents() {
  using Kind = ScriptEvent::Kind;
  const int32_t space = KeyCodeByName("Space"), escape = KeyCodeByName("Escape");
  return {Key(0, Kind::kKeyDown, space), Key(50, Kind::kKeyUp, space),
          Key(100, Kind::kKeyDown, escape), Key(150, Kind::kKeyUp, escape)};
}

InputScript LoadRunScript(const std::string& path, bool quickStart) {
  InputScript script;
  if (!path.empty()) {
    std::string text;
    if (std::string error = ReadScriptFile(path, text); !error.empty()) {
      script.errors.push_back({0, error});
      return script;
    }
    script = ParseInputScript(text);
  }
  if (quickStart) {
    std::vector<ScriptEvent> merged = QuickStartEvents();
    merged.insert(merged.end(), script.events.begin(), script.events.end());
    std::stable_sort(merged.begin(), merged.end(), [](const ScriptEvent& a, const ScriptEvent& b) {
      return a.timeMs < b.timeMs;
    });
    script.events = std::move(merged);
    if (script.errors.empty() && script.events.size() > kMaxScriptEvents) {
      script.errors.push_back({0, "with --quick-start's presses the script holds over " +
                                      std::to_string(kMaxScriptEvents) + " events"});
    }
  }
  return script;
}

std::string ScriptText(const std::vector<ScriptEvent>& events) {
  std::string text;
  for (const ScriptEvent& event : events) text += EventText(event) + "\n";
  return text;
}
