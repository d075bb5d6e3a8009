// tools/sim/rules_line.h - the game's rules (game/rules.h) as one JSON line, for the
// tools and players that must play by the same numbers as the game.
// Threads: any; no shared state.
#pragma once

#include <string>

// {"tickMs":17,"fieldWidth":150, ... ,"deathHoldMs":7000}: every rule under its name
// without the k, first letter small. Float rules are single-precision values written as
// their shortest text ("0.04" is the float nearest 0.04), double ones as doubles.
std::string RulesLine();
