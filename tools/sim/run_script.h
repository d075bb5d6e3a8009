// tools/sim/run_script.h - the input script of a run: the script file, with --quick-start's
// presses merged in, handed to the headless host as text.
// Threads: any; no shared state.
#pragma once

#include <string>
#include <vector>

#include "host/headless/input_script.h"

// Space down at 0 and up at 50 ms ends the title; Escape down at 100 and up at 150 ms
// skips the intro (the title and intro loops read the keys every 17 ms). Play then
// begins with both keys up.
std::vector<ScriptEvent> QuickStartEvents();

// The script at `path` (none when empty) with the quick-start presses when asked, in
// time order (quick-start first among events at the same time). Errors as
// ParseInputScript's; an unreadable file is one error with line 0.
InputScript LoadRunScript(const std::string& path, bool quickStart);

// `events` in the script format, one line each, absolute times: parsing the text gives
// the same events back (line numbers aside).
std::string ScriptText(const std::vector<ScriptEvent>& events);
